// MOS_Throwable and its family: the exceptions that the stream and thread layers throw. The
// roots live here; each layer declares its own leaves (io_exception.h, thr_exception.h).
//
// A thrown exception is a handle of one pointer to a shared, reference-counted body that holds
// a copy of the message, a code and a cause (always null). Copying a handle takes a count;
// the last handle deletes the body. The handle classes form the type tree that catch blocks
// match on:
//
//   MOS_Throwable
//     MOS_Exception
//       MOS_RuntimeException
//         THR_SyncException    a synchronisation call of the thread layer failed
//       IO_IOException          a stream recorded an error
//         IO_EOFException       a stream reached its end
//     MOS_Error
//       THR_ThreadDeath        a wait was cancelled because the thread is being stopped
//
// These are distinct from
// OS_FatalError, which ends the program: only the stream and thread layers throw these, and a
// stream throws only when asked to. Bodies come from the engine's pools, so only the thread
// that owns the pools may throw them.
#pragma once

#include "mem_alloc.h"
#include "os_types.h"

class MOS_ThrowableBody;

class MOS_Throwable
{
public:
    MOS_Throwable() = default;  // a null handle (the cause of every exception)
    explicit MOS_Throwable(const char* _message, u32 _code = 0);
    MOS_Throwable(const MOS_Throwable& _other);
    MOS_Throwable& operator=(const MOS_Throwable& _other);
    ~MOS_Throwable();

    // The body's own class name, its message copy and code; "" and 0 for a null handle.
    const char* GetClassName() const;
    const char* GetMessage() const;
    u32 GetCode() const;
    const MOS_Throwable& GetCause() const;
    u32 IsNull() const { return m_body == nullptr; }

protected:
    // Takes a fresh body (count 0) and counts it.
    explicit MOS_Throwable(MOS_ThrowableBody* _body);

private:
    void Release();

    MOS_ThrowableBody* m_body = nullptr;
};

// Has no body of its own: only its descendants are thrown.
class MOS_Exception : public MOS_Throwable
{
protected:
    explicit MOS_Exception(MOS_ThrowableBody* _body) : MOS_Throwable(_body) {}
};

class MOS_RuntimeException : public MOS_Exception
{
public:
    explicit MOS_RuntimeException(const char* _message, u32 _code = 0);

protected:
    explicit MOS_RuntimeException(MOS_ThrowableBody* _body) : MOS_Exception(_body) {}
};

// Has no body of its own: only its descendants are thrown.
class MOS_Error : public MOS_Throwable
{
protected:
    explicit MOS_Error(MOS_ThrowableBody* _body) : MOS_Throwable(_body) {}
};

// The shared body. Derived bodies differ only in their class name.
class MOS_ThrowableBody : public MEM_Object
{
public:
    MOS_ThrowableBody(const char* _message, u32 _code);
    virtual ~MOS_ThrowableBody();
    MOS_ThrowableBody(const MOS_ThrowableBody&) = delete;
    MOS_ThrowableBody& operator=(const MOS_ThrowableBody&) = delete;

    virtual const char* GetClassName() const;
    virtual const char* GetMessage() const;
    virtual u32 GetCode() const;

private:
    friend class MOS_Throwable;
    u32 m_count = 0;
    char* m_message = nullptr;
    u32 m_code = 0;
    MOS_Throwable m_cause;
};

// The body of a thrown class: it differs from the root's only in the class name it reports.
template <const char* const& NAME>
class MOS_NamedBody : public MOS_ThrowableBody
{
public:
    using MOS_ThrowableBody::MOS_ThrowableBody;
    const char* GetClassName() const override { return NAME; }
};

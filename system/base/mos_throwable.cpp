// The exception handles and their shared, counted bodies.
#include "mos_throwable.h"

#include "os_string.h"

namespace
{
const char* const RUNTIME_EXCEPTION = "MOS_RuntimeException";

const MOS_Throwable s_noCause;
}  // namespace

MOS_ThrowableBody::MOS_ThrowableBody(const char* _message, u32 _code)
    : m_message(OS_StrDup(_message ? _message : "")), m_code(_code)
{
}

MOS_ThrowableBody::~MOS_ThrowableBody() { OS_StrFree(m_message); }

const char* MOS_ThrowableBody::GetClassName() const { return "MOS_Throwable"; }
const char* MOS_ThrowableBody::GetMessage() const { return m_message; }
u32 MOS_ThrowableBody::GetCode() const { return m_code; }

MOS_Throwable::MOS_Throwable(MOS_ThrowableBody* _body) : m_body(_body)
{
    if (m_body)
        ++m_body->m_count;
}

MOS_Throwable::MOS_Throwable(const char* _message, u32 _code) : MOS_Throwable(new MOS_ThrowableBody(_message, _code)) {}

MOS_Throwable::MOS_Throwable(const MOS_Throwable& _other) : MOS_Throwable(_other.m_body) {}

MOS_Throwable& MOS_Throwable::operator=(const MOS_Throwable& _other)
{
    // Count the new body first: the old one may be the same.
    MOS_ThrowableBody* body = _other.m_body;
    if (body)
        ++body->m_count;
    Release();
    m_body = body;
    return *this;
}

MOS_Throwable::~MOS_Throwable() { Release(); }

void MOS_Throwable::Release()
{
    if (!m_body)
        return;
    MOS_ThrowableBody* body = m_body;
    m_body = nullptr;
    if (body->m_count <= 1)
        delete body;
    else
        --body->m_count;
}

const char* MOS_Throwable::GetClassName() const { return m_body ? m_body->GetClassName() : ""; }
const char* MOS_Throwable::GetMessage() const { return m_body ? m_body->GetMessage() : ""; }
u32 MOS_Throwable::GetCode() const { return m_body ? m_body->GetCode() : 0; }
const MOS_Throwable& MOS_Throwable::GetCause() const { return m_body ? m_body->m_cause : s_noCause; }

MOS_RuntimeException::MOS_RuntimeException(const char* _message, u32 _code)
    : MOS_Exception(new MOS_NamedBody<RUNTIME_EXCEPTION>(_message, _code))
{
}

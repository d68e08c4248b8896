// Inert bodies for behaviour classes that are declared (fields and set-up calls) before their
// logic is written, so the owners holding them by value compile and run meanwhile.
//
// An inert behaviour never starts or stops (IsStartMessage and IsStopMessage answer 0), handles
// nothing (ProcessMessage leaves *_handled at 0, leaves the message alone and returns null, so
// the owner's chain logs the message as lost), is finished at once (Handle answers 0) and
// ignores Interrupt.
//
// Use: the class's header includes this file and, in its public section,
// BHV_DECLARE_OPERATIONS() declares the five overrides (the same declarations a filled behaviour
// keeps); its .cpp file defines them with BHV_INERT_OPERATIONS:
//
//     #include "bhv_inert.h"
//     class BHV_Vessel_A_Stop : public BHV_ActionBehaviour
//     {
//     public:
//         BHV_DECLARE_OPERATIONS()
//         ...
//     };
//
//     BHV_INERT_OPERATIONS(BHV_Vessel_A_Stop)   (no semicolon after the macros)
//
// A class whose Handle is inherited from a shared base (a base that steps several behaviours
// alike) uses the _EXCEPT_HANDLE forms for the other four and defines the base's Handle itself.
//
// Set-up calls (Init, ParseIniFile, pointer setters) are written out empty beside it. Filling a
// behaviour means deleting its line and writing the five bodies.
#pragma once

#include "bhv_behaviour.h"
#include "os_types.h"

class NOD_Message;

#define BHV_DECLARE_OPERATIONS_EXCEPT_HANDLE()                                  \
    s32 IsStartMessage(const NOD_Message* _message) override;                   \
    s32 IsStopMessage(const NOD_Message* _message) override;                    \
    NOD_Message* ProcessMessage(NOD_Message* _message, s32* _handled) override; \
    void Interrupt() override;

#define BHV_DECLARE_OPERATIONS()           \
    BHV_DECLARE_OPERATIONS_EXCEPT_HANDLE() \
    s32 Handle() override;

#define BHV_INERT_OPERATIONS_EXCEPT_HANDLE(Class)                                                        \
    s32 Class::IsStartMessage(const NOD_Message* /*_message*/) { return 0; }                             \
    s32 Class::IsStopMessage(const NOD_Message* /*_message*/) { return 0; }                              \
    NOD_Message* Class::ProcessMessage(NOD_Message* /*_message*/, s32* /*_handled*/) { return nullptr; } \
    void Class::Interrupt() {}

#define BHV_INERT_OPERATIONS(Class)           \
    BHV_INERT_OPERATIONS_EXCEPT_HANDLE(Class) \
    s32 Class::Handle() { return 0; }

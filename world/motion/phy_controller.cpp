#include "phy_controller.h"

#include <cfloat>
#include <cmath>

#include "des_file.h"
#include "mat_angle.h"
#include "mat_clamp.h"

static_assert(sizeof(PHY_PositionLimit) == 8 * sizeof(f32), "eight f32 in order");
static_assert(sizeof(PHY_VelocityLimit) == 4 * sizeof(f32), "four f32 in order");

void PHY_Controller::PHY_Controller_Parse(DES_Section* _section)
{
    _section->GetFloat("P", &P);
    _section->GetFloat("I", &I);
    _section->GetFloat("D", &D);
}

void PHY_Controller::SetTarget(f32 _target) { Target = _target; }

f32 PHY_Controller::Step(const SIM_Clock& _clock, f32 _x) { return Run(_clock, _x, false, 0.0f); }

f32 PHY_Controller::StepWithRate(const SIM_Clock& _clock, f32 _x, f32 _rate) { return Run(_clock, _x, true, _rate); }

f32 PHY_Controller::Run(const SIM_Clock& _clock, f32 _x, bool _measuredRate, f32 _rate)
{
    if (PrevError == FLT_MAX) {
        Integral = 0.0f;
        PrevError = _x - Target;
        return 0.0f;
    }
    if (_clock.dt == 0.0f)
        return 0.0f;

    f32 error = _x - Target;
    f32 output = P * error;
    if (D != 0.0f) {
        if (_measuredRate)
            output += _rate * D;
        else
            output += (error - PrevError) * _clock.oneOverDt * D;
    }
    if (I != 0.0f) {
        // The trapezoid rule over the step.
        Integral += (error + PrevError) * _clock.dt * 0.5f;
        output += Integral * I;
    }
    PrevError = error;
    return output;
}

void PHY_AngleController::SetTarget(f32 _target) { Target = MAT_WrapAngle(_target); }

f32 PHY_PositionLimit::Step(const SIM_Clock& _clock, f32 _x, f32 _v) const
{
    return Approach(_clock, TargetPosition - _x, _v);
}

f32 PHY_PositionLimit::StepAngle(const SIM_Clock& _clock, f32 _x, f32 _v) const
{
    return Approach(_clock, MAT_AngleDifference(_x, TargetPosition), _v);
}

f32 PHY_PositionLimit::Approach(const SIM_Clock& _clock, f32 _distance, f32 _v) const
{
    const f32 dt = _clock.dt;
    const f32 a = Accel;
    const f32 k = InvAccel;
    const f32 d = _distance;
    const f32 w = TargetVelocity - _v;

    // Close enough that the target velocity is reached within this step.
    if (a * dt > std::fabs(w) && a * (dt * dt) * 0.5f > std::fabs(d))
        return w * _clock.oneOverDt;

    const f32 p = (_v + TargetVelocity) * k;
    const f32 q = w * k;

    // Profile 1 accelerates with +a and then brakes; profile 2 does the opposite. A profile
    // whose time is not a real non-negative number (NaN included) is not available.
    f32 time1 = FLT_MAX;
    f32 switch1 = 0.0f;
    const f32 discriminant1 = p * p + (w * w * k + 4.0f * d) * k;
    if (discriminant1 >= 0.0f) {
        const f32 root = std::sqrt(discriminant1);
        if (root - p >= 0.0f) {
            time1 = root - p;
            switch1 = (q + time1) * 0.5f;
        }
    }
    f32 time2 = FLT_MAX;
    f32 switch2 = 0.0f;
    const f32 discriminant2 = p * p + (w * w * k - 4.0f * d) * k;
    if (discriminant2 >= 0.0f) {
        const f32 root = std::sqrt(discriminant2);
        if (root + p >= 0.0f) {
            time2 = root + p;
            switch2 = (time2 - q) * 0.5f;
        }
    }

    f32 bangBang;
    if (time1 < time2)
        bangBang = switch1 >= 0.0f ? a : -a;
    else
        bangBang = switch2 >= 0.0f ? -a : a;

    // The constant acceleration that arrives exactly is taken when it lies near a. With no
    // distance left it is infinite or NaN; that case is excluded here rather than left to
    // the comparisons below, which an infinite HighAccel would let through.
    f32 result = bangBang;
    if (d != 0.0f) {
        const f32 c = (w * w * 0.5f + w * _v) / d;
        bool nearAccel;
        if (c > 0.0f)
            nearAccel = c >= LowAccel && c <= HighAccel;
        else
            nearAccel = c >= -HighAccel && c <= -LowAccel;
        if (c * w > 0.0f && nearAccel)
            result = c;
    }

    // A body already beyond a limit gets the acceleration that brings it back in one step.
    if (result >= 0.0f) {
        if (_v + result * dt > MaxVelocity)
            result = (MaxVelocity - _v) * _clock.oneOverDt;
    } else if (result < 0.0f) {
        if (_v + result * dt < MinVelocity)
            result = (MinVelocity - _v) * _clock.oneOverDt;
    }
    return result;
}

f32 PHY_VelocityLimit::Step(const SIM_Clock& _clock, f32 _v) const
{
    const f32 w = TargetVelocity - _v;
    if (Accel * _clock.dt > std::fabs(w))
        return w * _clock.oneOverDt;
    return w >= 0.0f ? Accel : -Accel;
}

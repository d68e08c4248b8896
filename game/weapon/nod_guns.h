// The eleven gun classes: what each NOD_Gun fires, how its parts move and how far it reaches.
//
// Five shoot (VendettaGatlin, Vendetta, Sizzler, PlasmaGatlin, Flak), each on its own interval
// from its own bullet type, with a recoil on the gun's forward axis and its own part motion;
// SmartBomb only shows itself; ScalarHowitzer, Plasma, LaserGatlin, DrugStore and DoomMortar
// take commands but never step. Each class looks its parts up among its sons once, after its
// description is read: VendettaGatlin without "revolver" and Vendetta without "barrel1" are
// fatal, any other missing part is logged and its effects are skipped. Vendetta, Sizzler,
// PlasmaGatlin and Flak switch the head-up display's zoom with secondary fire; all of them but
// PlasmaGatlin turn it off when deactivated. Parts are held weakly: a part deleted later is
// simply no longer moved. One thread.
#pragma once

#include "mat_angle.h"
#include "nod_gun.h"
#include "os_types.h"
#include "rti_pointer.h"

class NOD_Gun_Part;

// The spawner's bullet types the guns fire.
enum NOD_BulletType : s32
{
    NOD_BULLET_DOOMMORTAR = 0,
    NOD_BULLET_FLAK = 1,
    NOD_BULLET_PLASMAGATLIN = 2,
    NOD_BULLET_SIZZLER = 3,
    NOD_BULLET_VENDETTAGATLIN = 4,
    NOD_BULLET_VENDETTA = 5,
    NOD_BULLET_VENDETTA_TWIN = 6,
};

class NOD_Gun_VendettaGatlin : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_VendettaGatlin)

public:
    static constexpr f32 PRIMARY_INTERVAL = 0.1f;
    static constexpr f32 SECONDARY_INTERVAL = 0.2f;

    void ParseIniFile_Des(DES_Section& _data) override;
    f32 GetRange() override;

    NOD_Gun_Part* GetRevolver() const;
    const MAT_Angle& GetRevolverTarget() const { return m_revolverTarget; }
    f32 GetRecoil() const { return m_recoil; }

protected:
    void AnimateParts() override;
    void OnPrimaryStart() override;
    void ShootPrimary() override;
    void OnPrimaryStop() override;
    void OnSecondaryStart() override;
    void ShootSecondary() override;
    void OnSecondaryStop() override;

private:
    // One shot of either mode: the recoil, the revolver's turn and the spread within
    // +/-_spread on the muzzle's first and third components.
    void Shoot(f32 _recoil, f32 _turn, f32 _spreadScale, f32 _spread);

    RTI_Pointer m_revolver;
    MAT_Angle m_revolverTarget;
    f32 m_recoil = 0.0f;
};

class NOD_Gun_Vendetta : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_Vendetta)

public:
    static constexpr f32 PRIMARY_INTERVAL = 0.5f;

    void ParseIniFile_Des(DES_Section& _data) override;
    void Deactivate() override;
    // Twin-barrel bullets with barrel2, single-barrel ones without.
    f32 GetRange() override;

    NOD_Gun_Part* GetBarrel(s32 _index) const;
    f32 GetBarrelShotTime(s32 _index) const { return m_barrelShot[_index & 1]; }
    s32 GetBarrelIndex() const { return m_barrelIndex; }
    f32 GetRecoil() const { return m_recoil; }

protected:
    void AnimateParts() override;
    void OnPrimaryStart() override;
    void ShootPrimary() override;
    void OnSecondaryStart() override;

private:
    RTI_Pointer m_barrels[2];
    f32 m_barrelShot[2] = {NEVER_SHOT, NEVER_SHOT};
    s32 m_barrelIndex = 0;
    f32 m_recoil = 0.0f;
};

class NOD_Gun_SmartBomb : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_SmartBomb)

public:
    // The visibility test and the sons, nothing else: it shows where its description put it.
    void HeartBeat() override;
    f32 GetRange() override;
};

class NOD_Gun_Sizzler : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_Sizzler)

public:
    static constexpr f32 PRIMARY_INTERVAL = 0.5f;

    void Deactivate() override;
    f32 GetRange() override;
    f32 GetRecoil() const { return m_recoil; }

protected:
    void AnimateParts() override;
    void OnPrimaryStart() override;
    void ShootPrimary() override;
    void OnSecondaryStart() override;

private:
    f32 m_recoil = 0.0f;
};

class NOD_Gun_ScalarHowitzer : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_ScalarHowitzer)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    f32 GetRange() override;
    NOD_Gun_Part* GetBarrel() const;

private:
    RTI_Pointer m_barrel;
};

class NOD_Gun_PlasmaGatlin : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_PlasmaGatlin)

public:
    static constexpr f32 PRIMARY_INTERVAL = 0.08f;

    void ParseIniFile_Des(DES_Section& _data) override;
    f32 GetRange() override;
    NOD_Gun_Part* GetRevolver() const;
    NOD_Gun_Part* GetTank() const;
    f32 GetRecoil() const { return m_recoil; }

protected:
    void AnimateParts() override;
    void OnPrimaryStart() override;
    void ShootPrimary() override;
    void OnPrimaryStop() override;
    void OnSecondaryStart() override;

private:
    RTI_Pointer m_revolver;
    RTI_Pointer m_tank;
    f32 m_recoil = 0.0f;
};

class NOD_Gun_Plasma : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_Plasma)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    f32 GetRange() override;
    NOD_Gun_Part* GetTank() const;

private:
    RTI_Pointer m_tank;
};

class NOD_Gun_LaserGatlin : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_LaserGatlin)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    f32 GetRange() override;
    NOD_Gun_Part* GetBarrel() const;

private:
    RTI_Pointer m_barrel;
};

class NOD_Gun_Flak : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_Flak)

public:
    static constexpr f32 PRIMARY_INTERVAL = 0.5f;

    void ParseIniFile_Des(DES_Section& _data) override;
    void Deactivate() override;
    f32 GetRange() override;
    NOD_Gun_Part* GetBarrel() const;
    f32 GetRecoil() const { return m_recoil; }
    const MAT_Angle& GetRoll() const { return m_roll; }

protected:
    void AnimateParts() override;
    void OnPrimaryStart() override;
    void ShootPrimary() override;
    void OnSecondaryStart() override;

private:
    RTI_Pointer m_barrel;
    f32 m_recoil = 0.0f;
    MAT_Angle m_roll;
};

class NOD_Gun_DrugStore : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_DrugStore)

public:
    void HeartBeat() override {}
    f32 GetRange() override;
};

class NOD_Gun_DoomMortar : public NOD_Gun
{
    RTI_DECLARE_CLASS(NOD_Gun_DoomMortar)

public:
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override {}
    f32 GetRange() override;
    NOD_Gun_Part* GetHead() const;

private:
    RTI_Pointer m_head;
};

// The gun part, the gun base and the eleven classes, in this order; and the reverse.
void NOD_RegisterGunClasses();
void NOD_UnregisterGunClasses();

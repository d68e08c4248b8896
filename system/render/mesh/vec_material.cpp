// Triangles, texture layers and materials as read from the sections of a ".msh" file.
#include "des_file.h"
#include "mat_round.h"
#include "os_fatal.h"
#include "os_string.h"
#include "vec_mesh_local.h"

namespace
{
// Long enough that a name past the 62-character limit still reads as too long, not cut to fit.
constexpr u32 NAME_READ_BYTES = 256;

// Opacity and bump amount are fractions; NaN counts as 0 so the byte conversion stays defined.
f32 ClampUnit(f32 _value)
{
    if (!(_value > 0.0f))
        return 0.0f;
    return _value > 1.0f ? 1.0f : _value;
}

u8 UnitToByteTruncated(f32 _value) { return (u8)(s32)(ClampUnit(_value) * 255.0f); }

u32 ColorBytes(const f32* _rgb, f32 _scale)
{
    u32 color = 0;
    for (u32 i = 0; i < 3; ++i)
        color |= (u32)(u8)MAT_FloorByRounding(_rgb[i] * _scale * 255.0f) << (16 - 8 * i);
    return color;
}

void ParseMapTexture(DES_Section* _map, VEC_Map* _target)
{
    char name[NAME_READ_BYTES];
    _map->GetString("Bitmap", name, sizeof(name));
    _target->SetTextureName(name);
    _map->GetFloat("TilingU", &_target->tiling);
}
}  // namespace

void VEC_ReadTriangleKeys(DES_Section* _section, VEC_TriangleKeys* _keys)
{
    _section->GetS32("G", &_keys->group);
    _section->GetS32("V0", &_keys->vertex[0]);
    _section->GetS32("V1", &_keys->vertex[1]);
    _section->GetS32("V2", &_keys->vertex[2]);
    _section->GetS32("M", &_keys->material);
}

VEC_Triangle VEC_TriangleFromKeys(const VEC_TriangleKeys& _keys)
{
    VEC_Triangle triangle;
    for (u32 c = 0; c < 3; ++c)
        triangle.vertex[c] = (u16)_keys.vertex[c];
    triangle.material = (u8)_keys.material;
    triangle.group = (u8)_keys.group;
    return triangle;
}

u32 VEC_Triangle::Load(DES_Section* _section)
{
    VEC_TriangleKeys keys;
    VEC_ReadTriangleKeys(_section, &keys);
    const char* file = _section->GetFile() != nullptr ? _section->GetFile()->GetName() : "";
    for (u32 c = 0; c < 3; ++c)
        if (keys.vertex[c] < 0 || keys.vertex[c] > 0xFFFF)
            OS_Fatal("VEC_Mesh::Load()",
                     OS_Format("a triangle uses vertex %d, outside 0 to 65535, in file \"%s\"", keys.vertex[c], file));
    if (keys.material < 0 || keys.material >= (s32)VEC_MAX_MATERIALS)
        OS_Fatal(VEC_UNKNOWN_MATERIAL_CAPTION, file);
    *this = VEC_TriangleFromKeys(keys);
    return 1;
}

void VEC_Map::SetTextureName(const char* _name)
{
    if (OS_StrLen(_name) >= VEC_TEXTURE_NAME_BYTES - 1)
        OS_Fatal("VEC_Map::SetTextureName() texturename too long", _name);
    OS_StrCopyBounded(name, _name, sizeof(name));
}

void VEC_Material::Parse(DES_Section* _section)
{
    Parse_Diffuse(_section);
    Parse_Detail(_section);
}

void VEC_Material::Parse_Diffuse(DES_Section* _section)
{
    diffuseMap = VEC_Map();

    f32 diffuse[3] = {};
    _section->GetVector3("Diffuse", diffuse);
    diffuseColor = ColorBytes(diffuse, 1.0f);

    f32 opacity = 0.0f;
    _section->GetFloat("Opacity", &opacity);
    diffuseMap.alpha = UnitToByteTruncated(opacity);

    f32 selfIllum = 0.0f;
    _section->GetFloat("SelfIllumination", &selfIllum);
    selfIllumination = ColorBytes(diffuse, selfIllum);

    char type[64];
    _section->GetString("TrancparencyType", type, sizeof(type));
    if (OS_StrICmp(type, "Filter") == 0 || OS_StrICmp(type, "Subtractive") == 0)
        diffuseMap.blendMode = diffuseMap.alpha < 255 ? 2 : 0;
    else if (OS_StrICmp(type, "Additive") == 0)
        diffuseMap.blendMode = 1;
    else if (OS_StrICmp(type, "Multiplicative") == 0)
        diffuseMap.blendMode = 3;
    else if (OS_StrICmp(type, "Invers") == 0)
        diffuseMap.blendMode = 4;
    else
        OS_Fatal("VEC_Material::Parse_Diffuse()", "unknown transparency type");

    s8 bias = 0;
    _section->GetS8("DepthBias", &bias);
    diffuseMap.depthBias = (u8)bias;

    s32 on = 0;
    _section->GetS32("DepthBuffered", &on);
    if (on != 0)
        diffuseMap.flags |= VEC_MAP_DEPTHBUFFERED;
    else
        diffuseMap.flags &= (u8)~VEC_MAP_DEPTHBUFFERED;
    _section->GetS32("OneSided", &on);
    if (on != 0)
        diffuseMap.flags |= VEC_MAP_ONESIDED;
    else
        diffuseMap.flags &= (u8)~VEC_MAP_ONESIDED;

    DES_Section map;
    if (_section->FindSection(&map, "Map_Diffuse"))
        ParseMapTexture(&map, &diffuseMap);
}

void VEC_Material::Parse_Detail(DES_Section* _section)
{
    DES_Section map;
    if (!_section->FindSection(&map, "Map_Bump"))
        return;
    ParseMapTexture(&map, &detailMap);
    f32 amount = 0.0f;
    map.GetFloat("Amount", &amount);
    detailMap.alpha = UnitToByteTruncated(amount);
    detailMap.blendMode = 3;
}

// Writer of the "ParticleEmitter" section of a particle emitter's node description: the
// subsections "Emitter", "Particle" and "Visual", with a single "Texture" or a "TextureAnim"
// subsection naming a texture set (written with TOOL_TextureSetText). Values are written as
// given, so fixtures can hold what the reader must refuse.
#pragma once

#include <string>

#include "os_types.h"

struct TOOL_ParticleEmitterSection
{
    // Emitter
    f32 rejectDistance = 100.0f;
    f32 coneAngle = 0.0f;  // degrees
    f32 parVelocity[2] = {1.0f, 1.0f};
    f32 parRotation[2] = {0.0f, 0.0f};  // degrees
    f32 parPerSecond = 10.0f;
    // Particle
    f32 rotVelocity[2] = {0.0f, 0.0f};  // degrees per second
    f32 friction[3] = {0.0f, 0.0f, 0.0f};
    f32 lift[3] = {0.0f, 0.0f, 0.0f};
    f32 lifeTime = 1.0f;
    f32 size = 1.0f;
    // Visual
    std::string transparencyType = "Additive";
    // Control points (relative age, value) of the red, green, blue, alpha and size curves.
    f32 curves[5][4][2] = {
        {{0.0f, 1.0f}, {0.33f, 1.0f}, {0.66f, 1.0f}, {1.0f, 1.0f}},
        {{0.0f, 1.0f}, {0.33f, 1.0f}, {0.66f, 1.0f}, {1.0f, 1.0f}},
        {{0.0f, 1.0f}, {0.33f, 1.0f}, {0.66f, 1.0f}, {1.0f, 1.0f}},
        {{0.0f, 1.0f}, {0.33f, 1.0f}, {0.66f, 1.0f}, {1.0f, 1.0f}},
        {{0.0f, 1.0f}, {0.33f, 1.0f}, {0.66f, 1.0f}, {1.0f, 1.0f}},
    };
    // A single texture; empty writes the "TextureAnim" subsection instead.
    std::string texture = "fx\\bubble";
    std::string animationType = "oneshot";
    std::string textureSet = "bubbles.tse";
    f32 fps = 10.0f;
    bool writeTextureAnim = true;  // false leaves the subsection out (with no texture: broken)
    // A broken section: a key left out or written as a quoted string (in whichever subsection
    // has it), a subsection left out ("Emitter", "Particle" or "Visual").
    std::string omitKey;
    std::string mistypedKey;
    std::string omitSection;
};

// "[ParticleEmitter]" with its subsections and keys in the order the description reads them;
// floats in fixed notation.
std::string TOOL_ParticleEmitterSectionText(const TOOL_ParticleEmitterSection& _section);

// The rules of the device interface that every device here checks alike (private to
// platform/gl/): the GL device and the null device refuse the same calls with the same results.
#pragma once

#include "dev_device.h"

enum : u32
{
    DEV_MAX_TEXTURE_LEVELS = 12,
};

// Back buffer 0 as GetBackBufferDesc describes it for those presentation parameters.
void DEV_DescribeBackBuffer(const DEV_PresentParameters& _parameters, DEV_SurfaceDesc* _desc);
// Whether a viewport lies inside the back buffer (and is not empty).
bool DEV_ViewportFits(const DEV_Viewport& _viewport, const DEV_PresentParameters& _parameters);
// Whether Clear may clear those buffers: depth only with a depth buffer, stencil only with a
// stencil format.
bool DEV_ClearFits(u32 _flags, const DEV_PresentParameters& _parameters);
// Whether a vertex or index buffer of that length, usage and pool can be made.
bool DEV_BufferFits(u32 _length, u32 _usage, u32 _pool);
// The levels a texture of that size gets (0 asks for the full chain down to 1x1); 0 when it
// cannot have that many.
u32 DEV_TextureLevels(u32 _width, u32 _height, u32 _levels);
// The indices a draw of that many primitives reads; 0 for a type no device here draws.
u64 DEV_IndexCount(u32 _type, u32 _primitiveCount);
// Whether a draw's index range lies inside the index buffer and the last vertex it names lies
// whole inside the vertex buffer (_numVertices at least 1).
bool DEV_DrawFits(u32 _startIndex, u64 _indexCount, u32 _indexBytes, u32 _baseVertex, u32 _minIndex, u32 _numVertices,
                  u32 _stride, u32 _vertexBytes);

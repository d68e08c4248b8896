// The checks the GL device and the null device share.
#include "dev_checks_local.h"

namespace
{

bool HasStencil(u32 _format)
{
    return _format == DEV_FMT_D24S8 || _format == DEV_FMT_D15S1 || _format == DEV_FMT_D24X4S4;
}

}  // namespace

void DEV_DescribeBackBuffer(const DEV_PresentParameters& _parameters, DEV_SurfaceDesc* _desc)
{
    *_desc = DEV_SurfaceDesc();
    _desc->format = _parameters.backBufferFormat;
    _desc->usage = 1;  // render target
    _desc->pool = DEV_POOL_DEFAULT;
    _desc->multiSampleType = _parameters.multiSampleType;
    _desc->width = _parameters.backBufferWidth;
    _desc->height = _parameters.backBufferHeight;
    const u32 format = _parameters.backBufferFormat;
    const u32 bytes = format == DEV_FMT_R5G6B5 || format == DEV_FMT_X1R5G5B5 || format == DEV_FMT_A1R5G5B5 ? 2 : 4;
    _desc->size = _desc->width * _desc->height * bytes;
}

bool DEV_ViewportFits(const DEV_Viewport& _viewport, const DEV_PresentParameters& _parameters)
{
    return _viewport.width != 0 && _viewport.height != 0 &&
           (u64)_viewport.x + _viewport.width <= _parameters.backBufferWidth &&
           (u64)_viewport.y + _viewport.height <= _parameters.backBufferHeight;
}

bool DEV_ClearFits(u32 _flags, const DEV_PresentParameters& _parameters)
{
    const bool depth = _parameters.enableAutoDepthStencil != 0;
    return (_flags & ~(u32)(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER | DEV_CLEAR_STENCIL)) == 0 &&
           (!(_flags & DEV_CLEAR_ZBUFFER) || depth) &&
           (!(_flags & DEV_CLEAR_STENCIL) || (depth && HasStencil(_parameters.autoDepthStencilFormat)));
}

bool DEV_BufferFits(u32 _length, u32 _usage, u32 _pool)
{
    return _length != 0 && (_pool == DEV_POOL_DEFAULT || _pool == DEV_POOL_MANAGED) &&
           (_usage & ~(u32)(DEV_USAGE_WRITEONLY | DEV_USAGE_DYNAMIC | DEV_USAGE_SOFTWAREPROCESSING)) == 0 &&
           !((_usage & DEV_USAGE_DYNAMIC) && _pool == DEV_POOL_MANAGED);
}

u32 DEV_TextureLevels(u32 _width, u32 _height, u32 _levels)
{
    u32 chain = 1;
    for (u32 side = _width > _height ? _width : _height; side > 1; side >>= 1)
        ++chain;
    const u32 levels = _levels == 0 ? chain : _levels;
    return levels > chain || levels > DEV_MAX_TEXTURE_LEVELS ? 0 : levels;
}

u64 DEV_IndexCount(u32 _type, u32 _primitiveCount)
{
    switch (_type) {
    case DEV_PT_LINELIST:
        return (u64)_primitiveCount * 2;
    case DEV_PT_LINESTRIP:
        return (u64)_primitiveCount + 1;
    case DEV_PT_TRIANGLELIST:
        return (u64)_primitiveCount * 3;
    case DEV_PT_TRIANGLESTRIP:
    case DEV_PT_TRIANGLEFAN:
        return (u64)_primitiveCount + 2;
    default:
        return 0;
    }
}

bool DEV_DrawFits(u32 _startIndex, u64 _indexCount, u32 _indexBytes, u32 _baseVertex, u32 _minIndex, u32 _numVertices,
                  u32 _stride, u32 _vertexBytes)
{
    const u64 lastVertex = (u64)_baseVertex + _minIndex + _numVertices - 1;
    return ((u64)_startIndex + _indexCount) * 2 <= _indexBytes && lastVertex * _stride + 40 <= _vertexBytes;
}

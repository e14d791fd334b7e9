// D3DX9's image part: image information and loading from image files in
// memory (BMP, JPEG, TGA, PNG, DDS) into Direct3D surfaces, and saving
// surfaces and textures to files.
#pragma once

#include "platform/d3d9/d3d9.h"

// GDI's palette entry; the image functions accept a palette argument but no
// destination here is palettised, so it is only passed through.
struct tagPALETTEENTRY;
typedef struct tagPALETTEENTRY PALETTEENTRY;

#ifndef D3DXERR_INVALIDDATA
#define D3DXERR_INVALIDDATA MAKE_HRESULT(1, 0x876, 2905)
#endif

#define D3DX_DEFAULT ((UINT)-1)

#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_MIRROR_U (1 << 16)
#define D3DX_FILTER_MIRROR_V (2 << 16)
#define D3DX_FILTER_MIRROR_W (4 << 16)
#define D3DX_FILTER_MIRROR (7 << 16)
#define D3DX_FILTER_DITHER (1 << 19)
#define D3DX_FILTER_DITHER_DIFFUSION (2 << 19)
#define D3DX_FILTER_SRGB_IN (1 << 21)
#define D3DX_FILTER_SRGB_OUT (2 << 21)
#define D3DX_FILTER_SRGB (3 << 21)

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

// Reads the file's header: size, format as stored, levels, kind of resource.
// D3DXERR_INVALIDDATA when the bytes are no image this layer reads.
HRESULT WINAPI D3DXGetImageInfoFromFileInMemory(LPCVOID pSrcData, UINT SrcDataSize, D3DXIMAGE_INFO* pSrcInfo);

// Decodes the file, applies the colour key (a pixel whose full ARGB equals
// ColorKey becomes transparent black; 0 = no key), resamples pSrcRect (null:
// the whole image) onto pDestRect (null: the whole surface) with Filter
// (D3DX_DEFAULT = TRIANGLE; dithering is not done) and packs the result into
// the surface's format.
HRESULT WINAPI D3DXLoadSurfaceFromFileInMemory(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                               const RECT* pDestRect, LPCVOID pSrcData, UINT SrcDataSize,
                                               const RECT* pSrcRect, DWORD Filter, D3DCOLOR ColorKey,
                                               D3DXIMAGE_INFO* pSrcInfo);

// The same from another surface's pixels: pSrcRect (null: the whole source
// surface) as they are stored, onto pDestRect as above.
HRESULT WINAPI D3DXLoadSurfaceFromSurface(LPDIRECT3DSURFACE9 pDestSurface, const PALETTEENTRY* pDestPalette,
                                          const RECT* pDestRect, LPDIRECT3DSURFACE9 pSrcSurface,
                                          const PALETTEENTRY* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey);

// Writes BMP/DIB, JPG, TGA, PNG or DDS. BMP, TGA and PNG keep an alpha
// channel when the surface format has one; DDS keeps the surface's own format
// (and, for a texture, every level); JPG has no alpha.
HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      LPDIRECT3DSURFACE9 pSrcSurface, const PALETTEENTRY* pSrcPalette,
                                      const RECT* pSrcRect);
HRESULT WINAPI D3DXSaveTextureToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      LPDIRECT3DBASETEXTURE9 pSrcTexture, const PALETTEENTRY* pSrcPalette);

// D3DX9's X file part: a parser for the X file format (text, binary with 32-
// or 64-bit floats, and MSZIP-compressed forms of both), a template registry
// by GUID and name, and data objects whose members are read by their template
// so that every encoding gives the same tree and the same locked bytes.
#pragma once

#include <cstddef>

#include "platform/win32/types.h"

#ifndef SIZE_T_DEFINED_KESTRA
#define SIZE_T_DEFINED_KESTRA
typedef size_t SIZE_T;
#endif

#define D3DXFERR_BADOBJECT MAKE_HRESULT(1, 0x876, 900)
#define D3DXFERR_BADVALUE MAKE_HRESULT(1, 0x876, 901)
#define D3DXFERR_BADTYPE MAKE_HRESULT(1, 0x876, 902)
#define D3DXFERR_NOTFOUND MAKE_HRESULT(1, 0x876, 903)
#define D3DXFERR_NOTDONEYET MAKE_HRESULT(1, 0x876, 904)
#define D3DXFERR_FILENOTFOUND MAKE_HRESULT(1, 0x876, 905)
#define D3DXFERR_RESOURCENOTFOUND MAKE_HRESULT(1, 0x876, 906)
#define D3DXFERR_BADRESOURCE MAKE_HRESULT(1, 0x876, 907)
#define D3DXFERR_BADFILETYPE MAKE_HRESULT(1, 0x876, 908)
#define D3DXFERR_BADFILEVERSION MAKE_HRESULT(1, 0x876, 909)
#define D3DXFERR_BADFILEFLOATSIZE MAKE_HRESULT(1, 0x876, 910)
#define D3DXFERR_BADFILE MAKE_HRESULT(1, 0x876, 911)
#define D3DXFERR_PARSEERROR MAKE_HRESULT(1, 0x876, 912)
#define D3DXFERR_BADARRAYSIZE MAKE_HRESULT(1, 0x876, 913)
#define D3DXFERR_BADDATAREFERENCE MAKE_HRESULT(1, 0x876, 914)
#define D3DXFERR_NOMOREOBJECTS MAKE_HRESULT(1, 0x876, 915)
#define D3DXFERR_NOMOREDATA MAKE_HRESULT(1, 0x876, 916)
#define D3DXFERR_BADCACHEFILE MAKE_HRESULT(1, 0x876, 917)

// This reader's bound on what one file makes it keep, in bytes: objects,
// references, strings, values and templates. A file of a few bytes a piece
// could otherwise hold hundreds of bytes each; past the bound CreateEnumObject
// answers E_OUTOFMEMORY. The largest file loaded anywhere keeps 0.75 MB.
#define KESTRA_XFILE_MAX_HELD (SIZE_T(16) << 20)

typedef DWORD D3DXF_FILELOADOPTIONS;
#define D3DXF_FILELOAD_FROMFILE 0x00
#define D3DXF_FILELOAD_FROMWFILE 0x01
#define D3DXF_FILELOAD_FROMRESOURCE 0x02
#define D3DXF_FILELOAD_FROMMEMORY 0x03

typedef struct _D3DXF_FILELOADMEMORY {
    LPCVOID lpMemory;
    SIZE_T dSize;
} D3DXF_FILELOADMEMORY;

struct ID3DXFile;
struct ID3DXFileEnumObject;
struct ID3DXFileData;

struct ID3DXFile : public IUnknown {
    // pvSource: a file name (FROMFILE) or a D3DXF_FILELOADMEMORY (FROMMEMORY).
    virtual HRESULT CreateEnumObject(LPCVOID pvSource, D3DXF_FILELOADOPTIONS loadflags,
                                     ID3DXFileEnumObject** ppEnumObj) = 0;
    // A whole X file (any encoding) holding template declarations.
    virtual HRESULT RegisterTemplates(LPCVOID pvData, SIZE_T cbSize) = 0;
};

struct ID3DXFileEnumObject : public IUnknown {
    virtual HRESULT GetFile(ID3DXFile** ppFile) = 0;
    virtual HRESULT GetChildren(SIZE_T* puiChildren) = 0;
    virtual HRESULT GetChild(SIZE_T id, ID3DXFileData** ppObj) = 0;
    virtual HRESULT GetDataObjectByName(LPCSTR szName, ID3DXFileData** ppObj) = 0;
};

struct ID3DXFileData : public IUnknown {
    virtual HRESULT GetEnum(ID3DXFileEnumObject** ppObj) = 0;
    // Two-call form: with szName null, *puiSize receives the size with the terminator.
    virtual HRESULT GetName(LPSTR szName, SIZE_T* puiSize) = 0;
    virtual HRESULT GetId(GUID* pGuid) = 0;
    // The members packed in template order: WORD 2 bytes, DWORD 4, FLOAT 4
    // (also in 64-bit files), DOUBLE 8, CHAR/UCHAR 1, strings as char pointers.
    virtual HRESULT Lock(SIZE_T* pSize, const void** ppData) = 0;
    virtual HRESULT Unlock() = 0;
    virtual HRESULT GetType(GUID* pType) = 0;
    virtual BOOL IsReference() = 0;
    virtual HRESULT GetChildren(SIZE_T* puiChildren) = 0;
    virtual HRESULT GetChild(SIZE_T uiChild, ID3DXFileData** ppChild) = 0;
};

HRESULT WINAPI D3DXFileCreate(ID3DXFile** lplpDirectXFile);

// The standard template identifiers.
extern const GUID TID_D3DRMFrame;
extern const GUID TID_D3DRMFrameTransformMatrix;
extern const GUID TID_D3DRMMesh;
extern const GUID TID_D3DRMMeshNormals;
extern const GUID TID_D3DRMMeshTextureCoords;
extern const GUID TID_D3DRMMeshVertexColors;
extern const GUID TID_D3DRMMeshMaterialList;
extern const GUID TID_D3DRMMaterial;
extern const GUID TID_D3DRMTextureFilename;
extern const GUID TID_D3DRMAnimationSet;
extern const GUID TID_D3DRMAnimation;
extern const GUID TID_D3DRMAnimationKey;
extern const GUID TID_D3DRMAnimationOptions;
extern const GUID TID_D3DRMHeader;
extern const GUID DXFILEOBJ_XSkinMeshHeader;
extern const GUID DXFILEOBJ_VertexDuplicationIndices;
extern const GUID DXFILEOBJ_SkinWeights;
extern const GUID DXFILEOBJ_AnimTicksPerSecond;
extern const GUID DXFILEOBJ_FVFData;
extern const GUID DXFILEOBJ_DeclData;

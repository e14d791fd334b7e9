// Direct3D's vector and matrix records, shared by the device and the D3DX helpers.
#pragma once

typedef struct _D3DVECTOR {
    float x;
    float y;
    float z;
} D3DVECTOR;

// Row-major 4x4; rows are transformed as row vectors (v' = v * M).
typedef struct _D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
} D3DMATRIX;

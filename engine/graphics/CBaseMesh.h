// The base of the model's mesh classes. For now it is the node a frame holds
// and drives; buffers, materials and hit tests come with the mesh classes.
#pragma once

#include "engine/graphics/CNode.h"

namespace LibModel {

class CBaseMesh : public CNode {};

}  // namespace LibModel

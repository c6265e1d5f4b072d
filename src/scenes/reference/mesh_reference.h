// The plain mesh transform and render, the yardstick for Mesh::transform and Mesh::render.
#pragma once

class Mesh;

// Mesh::transform written out one matrix call at a time, with the 64-bit
// integer division of the projection: the rotation, the rotated normals,
// screenX, screenY and viewZ, from the mesh's pose and the Screen's Camera.
void transformMeshReference(Mesh& mesh);

// Mesh::render written out one face, one row and one pixel at a time, with
// the same guards (indices outside the arrays and pictures smaller than
// 256 x 256 skip the face, the clip window is kept inside the screen, texel
// indices keep their low 16 bits): back and depth buffer, the written-row
// range of the Screen and faceArea.
void renderMeshReference(Mesh& mesh);

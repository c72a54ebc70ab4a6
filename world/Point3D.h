// A point or direction of the world in single precision.
#pragma once

struct Point3D {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

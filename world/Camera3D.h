// The room's camera: maps world points onto the 800 x 600 screen and gives the
// depth scale of sprites and the facing angle of actors. All arithmetic is
// single precision in the order written, so that scripts see the same numbers
// on every build.
#pragma once

#include "Point3D.h"

#include <cstdint>

class Camera3D {
public:
    Camera3D();

    void SetPosition(const Point3D& position);
    void SetRotation(float x, float y, float z);
    void SetDistance(float focal) { focal_ = focal; }
    void SetBaseScale(float scale) { baseScale_ = scale; }
    void SetScaleAdjust(float adjust) { scaleAdjust_ = adjust; }
    // Written directly by the script command that sets it.
    float originalDistance = 3.0f;
    float centreX = 400.0f;
    float centreY = 300.0f;

    // World to camera space, in place.
    void Transform(Point3D& p) const;
    // Camera space to screen (y grows downwards); z stays. The caller checks
    // that z is in front of the camera.
    void Project(Point3D& p) const;
    float DepthScale(float z) const;
    // Facing angle in degrees of direction `d` for an actor standing at `p`.
    float FacingAngle(const Point3D& p, const Point3D& d) const;

    const float* Matrix() const { return m_; }
    Point3D Position() const { return position_; }
    Point3D Rotation() const { return rotation_; }
    float Focal() const { return focal_; }
    float BaseScale() const { return baseScale_; }
    float ScaleAdjust() const { return scaleAdjust_; }

private:
    void Rebuild();
    void RotationOnly(float* out) const;

    float m_[16];
    Point3D position_;
    Point3D rotation_;
    float focal_ = 400.0f;
    float baseScale_ = 1.0f;
    float scaleAdjust_ = 0.0f;
};

// Angle in degrees, in [0, 360], between the x/z projections of two
// directions; 0 when either has no x/z length.
float VectorAngleDeg(const Point3D& a, const Point3D& b);

// The actor's facing sector 0..5 of an angle in whole degrees: sector k covers
// [60 + 60k, 120 + 60k) modulo 360, negative angles included.
int32_t FacingSector(int32_t angle);

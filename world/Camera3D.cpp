#include "Camera3D.h"

#include <cmath>
#include <cstring>

namespace {

constexpr float kPi = 3.14159265358979323846f;

void Identity(float* m) {
    std::memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

// m := m x r, each element summed left to right.
void MultiplyBy(float* m, const float* r) {
    float out[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float sum = m[i * 4] * r[j];
            for (int k = 1; k < 4; ++k)
                sum += m[i * 4 + k] * r[k * 4 + j];
            out[i * 4 + j] = sum;
        }
    std::memcpy(m, out, sizeof(out));
}

// Multiplies `m` by the rotations about x, y and z in that order.
void Rotate(float* m, const Point3D& angles) {
    float r[16];
    Identity(r);
    r[5] = std::cos(angles.x);
    r[6] = -std::sin(angles.x);
    r[9] = std::sin(angles.x);
    r[10] = std::cos(angles.x);
    MultiplyBy(m, r);
    Identity(r);
    r[0] = std::cos(angles.y);
    r[2] = std::sin(angles.y);
    r[8] = -std::sin(angles.y);
    r[10] = std::cos(angles.y);
    MultiplyBy(m, r);
    Identity(r);
    r[0] = std::cos(angles.z);
    r[1] = -std::sin(angles.z);
    r[4] = std::sin(angles.z);
    r[5] = std::cos(angles.z);
    MultiplyBy(m, r);
}

float Row(const float* m, int row, const Point3D& p) {
    return m[row * 4] * p.x + m[row * 4 + 1] * p.y + m[row * 4 + 2] * p.z + m[row * 4 + 3];
}

} // namespace

Camera3D::Camera3D() {
    Rebuild();
}

void Camera3D::SetPosition(const Point3D& position) {
    position_ = position;
    Rebuild();
}

void Camera3D::SetRotation(float x, float y, float z) {
    rotation_ = {x, y, z};
    Rebuild();
}

// The world turns about its own origin, then moves by minus the camera
// position: scripts place their cameras with this order.
void Camera3D::Rebuild() {
    Identity(m_);
    m_[3] = -position_.x;
    m_[7] = -position_.y;
    m_[11] = -position_.z;
    Rotate(m_, rotation_);
}

void Camera3D::RotationOnly(float* out) const {
    Identity(out);
    Rotate(out, rotation_);
}

void Camera3D::Transform(Point3D& p) const {
    const Point3D in = p;
    p.x = Row(m_, 0, in);
    p.y = Row(m_, 1, in);
    p.z = Row(m_, 2, in);
}

void Camera3D::Project(Point3D& p) const {
    const float k = (1.0f / p.z) * focal_;
    p.x = k * p.x + centreX;
    p.y = centreY - k * p.y;
}

// Written so that z = original distance gives exactly 1 in the first term.
float Camera3D::DepthScale(float z) const {
    const float f = focal_, cy = centreY, orig = originalDistance;
    return baseScale_ *
           ((cy - 2.0f * f / z - cy) / (cy - 2.0f * f / orig - cy) + scaleAdjust_ * (orig - z));
}

float Camera3D::FacingAngle(const Point3D& p, const Point3D& d) const {
    float r[16];
    RotationOnly(r);
    const Point3D turned{r[0] * d.x + r[1] * d.y + r[2] * d.z, r[4] * d.x + r[5] * d.y + r[6] * d.z,
                         r[8] * d.x + r[9] * d.y + r[10] * d.z};
    const float angle = VectorAngleDeg({0.0f, 0.0f, -1.0f}, turned);
    const float xs = centreX + focal_ * Row(m_, 0, p) / Row(m_, 2, p);
    return xs <= centreX ? angle - 10.0f : angle + 10.0f;
}

float VectorAngleDeg(const Point3D& a, const Point3D& b) {
    const float la = std::sqrt(a.x * a.x + a.z * a.z);
    const float lb = std::sqrt(b.x * b.x + b.z * b.z);
    if (!(la > 0.0f) || !(lb > 0.0f)) return 0.0f;
    const float ax = a.x / la, az = a.z / la, bx = b.x / lb, bz = b.z / lb;
    // Rounding can carry the dot product of parallel directions past 1.
    float dot = ax * bx + az * bz;
    dot = dot > 1.0f ? 1.0f : (dot < -1.0f ? -1.0f : dot);
    float t = std::acos(dot);
    if (ax - bx > 0.0f) t = 2.0f * kPi - t;
    return t * 180.0f / kPi;
}

int32_t FacingSector(int32_t angle) {
    int64_t turned = (static_cast<int64_t>(angle) + 300) % 360;
    if (turned < 0) turned += 360;
    return static_cast<int32_t>(turned / 60);
}

#include "WalkPath.h"

#include <cmath>

float Distance3(const Point3D& a, const Point3D& b) {
    const float dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

WalkPath::WalkPath() {
    points_.Reserve(10);
}

bool WalkPath::SetPointCount(int32_t count) {
    return points_.Resize(count);
}

const Point3D* WalkPath::FirstPoint() const {
    return points_.IsEmpty() ? nullptr : &points_[0];
}

const Point3D* WalkPath::LastPoint() const {
    return points_.IsEmpty() ? nullptr : &points_[points_.Count() - 1];
}

void WalkPath::GetSegment(Point3D& start, Point3D& end) const {
    if (points_.IsEmpty()) return;
    const int32_t last = points_.Count() - 1;
    start = points_[segment_ < last ? segment_ : last];
    end = points_[segment_ + 1 <= last ? segment_ + 1 : last];
}

int32_t WalkPath::Step() {
    if (points_.IsEmpty()) return 1;
    distance_ += speed_;
    float length = 0.0f;
    for (;;) {
        if (segment_ + 1 >= points_.Count()) {
            position_ = points_[segment_];
            return 1;
        }
        const Point3D& a = points_[segment_];
        const Point3D& b = points_[segment_ + 1];
        direction_ = {b.x - a.x, b.y - a.y, b.z - a.z};
        length = std::sqrt(direction_.x * direction_.x + direction_.y * direction_.y +
                           direction_.z * direction_.z);
        // A zero-length segment is passed over even when the speed is negative,
        // so it is never divided by.
        if (length > distance_ && length > 0.0f) break;
        distance_ -= length;
        ++segment_;
    }
    const Point3D& a = points_[segment_];
    const float k = 1.0f / length;
    position_ = {a.x + direction_.x * k * distance_, a.y + direction_.y * k * distance_,
                 a.z + direction_.z * k * distance_};
    return 0;
}

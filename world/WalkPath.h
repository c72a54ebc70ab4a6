// A polyline of world points that an actor follows at a constant speed, one
// step per animation tick.
#pragma once

#include "GrowArray.h"
#include "Point3D.h"

#include "foundation/TObject.h"

#include <cstdint>

class Walker : public TObject {
public:
    ~Walker() override = default;
    // 1 at the end of the path, 0 otherwise.
    virtual int32_t Step() = 0;
    virtual void GetPosition(Point3D& out) const { out = position_; }
    virtual void GetDirection(Point3D& out) const { out = direction_; }
    virtual void SetSpeed(float speed) { speed_ = speed; }
    virtual float GetSpeed() const { return speed_; }
    virtual void GetSegment(Point3D& start, Point3D& end) const = 0;
    virtual const Point3D* FirstPoint() const = 0;
    virtual const Point3D* LastPoint() const = 0;

protected:
    Point3D position_;
    Point3D direction_; // end minus start of the current segment
    float speed_ = 0.0f;
};

class WalkPath : public Walker {
public:
    WalkPath();

    int32_t Step() override;
    void GetSegment(Point3D& start, Point3D& end) const override;
    // Null for an empty path.
    const Point3D* FirstPoint() const override;
    const Point3D* LastPoint() const override;

    // Sets the number of points; new points are (0, 0, 0). False when out of memory.
    bool SetPointCount(int32_t count);
    int32_t PointCount() const { return points_.Count(); }
    Point3D& PointAt(int32_t i) { return points_[i]; }
    const Point3D& PointAt(int32_t i) const { return points_[i]; }
    bool AddPoint(const Point3D& p) { return points_.Push(p); }

    float cost = 0.0f;
    int32_t Segment() const { return segment_; }
    float Distance() const { return distance_; }

private:
    int32_t segment_ = 0;
    float distance_ = 0.0f;
    GrowArray<Point3D> points_;
};

// Euclidean length of b - a, the differences formed in single precision.
float Distance3(const Point3D& a, const Point3D& b);

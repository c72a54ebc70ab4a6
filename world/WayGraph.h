// The room's network of way points, built by the room's script one walkable
// line at a time. A node's index in the node array is its identity in the
// neighbour lists.
#pragma once

#include "GrowArray.h"
#include "Point3D.h"

#include "foundation/TObject.h"

#include <cstdint>

class WayNode : public TObject {
public:
    enum Flags : uint32_t { Open = 1, Closed = 2 }; // marks of a running search

    float x = 0.0f, y = 0.0f, z = 0.0f;
    uint32_t flags = 0;
    GrowArray<int32_t> neighbours; // each linked index once, in the order of linking

    Point3D Position() const { return {x, y, z}; }
};

class WayGraph : public TObject {
public:
    // Ends closer than this to an existing node join that node.
    static constexpr float kMergeDistance = 0.001f;

    WayGraph();
    ~WayGraph() override;
    WayGraph(const WayGraph&) = delete;
    WayGraph& operator=(const WayGraph&) = delete;

    void AddLine(const Point3D& a, const Point3D& b);
    void Reset();
    // Smallest squared distance; the first of equally near nodes wins.
    WayNode* NearestNode(const Point3D& p) const;
    WayNode* GetNode(int32_t index) const;
    void LinkNode(WayNode* node, int32_t index);
    int32_t NodeCount() const { return nodes_.Count(); }
    int32_t IndexOf(const WayNode* node) const; // -1 when absent

private:
    WayNode* NodeAt(const Point3D& p);

    GrowArray<WayNode*> nodes_;
};

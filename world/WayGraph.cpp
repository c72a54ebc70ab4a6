#include "WayGraph.h"

#include "WalkPath.h"

#include "foundation/TError.h"

namespace {

const char* const kSource = "Int\\All\\Source\\WayGraph";

float SquaredDistance(const WayNode& n, const Point3D& p) {
    const float dx = n.x - p.x, dy = n.y - p.y, dz = n.z - p.z;
    return dx * dx + dy * dy + dz * dz;
}

} // namespace

WayGraph::WayGraph() {
    nodes_.Reserve(500);
}

WayGraph::~WayGraph() {
    Reset();
}

void WayGraph::Reset() {
    for (int32_t i = nodes_.Count() - 1; i >= 0; --i)
        delete nodes_[i];
    nodes_.Clear();
}

WayNode* WayGraph::NearestNode(const Point3D& p) const {
    WayNode* best = nullptr;
    float bestDistance = 0.0f;
    for (int32_t i = 0; i < nodes_.Count(); ++i) {
        const float d = SquaredDistance(*nodes_[i], p);
        if (!best || d < bestDistance) {
            best = nodes_[i];
            bestDistance = d;
        }
    }
    return best;
}

WayNode* WayGraph::GetNode(int32_t index) const {
    return index >= 0 && index < nodes_.Count() ? nodes_[index] : nullptr;
}

int32_t WayGraph::IndexOf(const WayNode* node) const {
    for (int32_t i = 0; i < nodes_.Count(); ++i)
        if (nodes_[i] == node) return i;
    return -1;
}

void WayGraph::LinkNode(WayNode* node, int32_t index) {
    if (!node) return;
    for (int32_t i = 0; i < node->neighbours.Count(); ++i)
        if (node->neighbours[i] == index) return;
    if (!node->neighbours.Push(index)) TError::Raise(9, nullptr, nullptr, kSource, 1);
}

// The node within the merge distance of `p` (the distance itself still
// merges), or a new one there.
WayNode* WayGraph::NodeAt(const Point3D& p) {
    WayNode* nearest = NearestNode(p);
    if (nearest && Distance3(nearest->Position(), p) <= kMergeDistance) return nearest;
    auto* node = new WayNode;
    if (!node || !nodes_.Push(node)) {
        delete node;
        TError::Raise(9, nullptr, nullptr, kSource, 2);
        return nullptr;
    }
    node->x = p.x;
    node->y = p.y;
    node->z = p.z;
    return node;
}

void WayGraph::AddLine(const Point3D& a, const Point3D& b) {
    WayNode* nodeA = NodeAt(a);
    WayNode* nodeB = NodeAt(b);
    if (!nodeA || !nodeB) return;
    LinkNode(nodeA, IndexOf(nodeB));
    LinkNode(nodeB, IndexOf(nodeA));
}

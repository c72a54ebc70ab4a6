#include "WayGraphView.h"

#include "Camera3D.h"
#include "FloatToInt.h"
#include "WayGraph.h"

#include <cmath>

namespace {
constexpr float kNearPlane = 0.001f;

// The node's projection; false when it lies behind or at the camera plane.
bool Projected(const Camera3D& camera, const WayNode& node, Point3D& out) {
    out = node.Position();
    camera.Transform(out);
    if (!(out.z > kNearPlane)) return false;
    camera.Project(out);
    return true;
}
} // namespace

void WayGraphView::Init(TControl* room) {
    SetRect(0, 0, 800, 600);
    SetColor(TColor(0, 255, 0));
    SetTransparent(1);
    GetCanvas().SetKeep(1);
    Show(room);
}

void WayGraphView::SetGraph(WayGraph* graph) {
    graph_ = graph;
    Invalidate(true);
}

void WayGraphView::SetCamera(Camera3D* camera) {
    camera_ = camera;
    Invalidate(true);
}

WayNode* WayGraphView::PickNode(TPoint point) const {
    if (!graph_ || !camera_) return nullptr;
    WayNode* best = nullptr;
    float bestDistance = 0.0f;
    for (int32_t i = 0; i < graph_->NodeCount(); ++i) {
        WayNode* node = graph_->GetNode(i);
        Point3D p;
        if (!node || !Projected(*camera_, *node, p)) continue;
        const float dx = float(point.x) - p.x;
        const float dy = float(point.y) - p.y;
        const float distance = std::sqrt(dx * dx + dy * dy);
        if (!best || distance < bestDistance) {
            best = node;
            bestDistance = distance;
        }
    }
    return best;
}

void WayGraphView::Draw() {
    if (!graph_ || !camera_) return;
    TCanvas& canvas = GetCanvas();
    canvas.SetBackColor(TColor(0, 255, 0));
    canvas.Clear();
    canvas.SetForeColor(TColor(255, 255, 255));
    for (int32_t i = 0; i < graph_->NodeCount(); ++i) {
        const WayNode* node = graph_->GetNode(i);
        Point3D from;
        if (!node || !Projected(*camera_, *node, from)) continue;
        for (int32_t k = 0; k < node->neighbours.Count(); ++k) {
            const WayNode* other = graph_->GetNode(node->neighbours[k]);
            Point3D to;
            if (!other || !Projected(*camera_, *other, to)) continue;
            canvas.Line(FloatToInt32(from.x), FloatToInt32(from.y), FloatToInt32(to.x),
                        FloatToInt32(to.y));
        }
    }
}

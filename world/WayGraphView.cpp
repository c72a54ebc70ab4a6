#include "WayGraphView.h"

#include "FloatToInt.h"

#include <cmath>
#include <initializer_list>

namespace {

// Lines are cut to this square before they become integers: the library's
// lines carry 16.16 coordinates, and a node just before the camera plane
// projects far beyond them.
constexpr float kLineLimit = 16384.0f;

// Cuts the segment a-b to the square of kLineLimit (x and y only); false
// when nothing of it is left or a coordinate is not a number.
bool ClipToLimit(Point3D& a, Point3D& b) {
    for (float v : {a.x, a.y, b.x, b.y})
        if (!std::isfinite(v)) return false;
    const float dx = b.x - a.x, dy = b.y - a.y;
    float t0 = 0.0f, t1 = 1.0f;
    // Each edge as p * t <= q.
    const float p[4] = {-dx, dx, -dy, dy};
    const float q[4] = {a.x + kLineLimit, kLineLimit - a.x, a.y + kLineLimit, kLineLimit - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0f) {
            if (q[i] < 0.0f) return false;
            continue;
        }
        const float t = q[i] / p[i];
        if (p[i] < 0.0f ? t > t1 : t < t0) return false;
        if (p[i] < 0.0f && t > t0) t0 = t;
        if (p[i] > 0.0f && t < t1) t1 = t;
    }
    const Point3D from = a;
    a = {from.x + t0 * dx, from.y + t0 * dy, a.z};
    b = {from.x + t1 * dx, from.y + t1 * dy, b.z};
    return true;
}

} // namespace

void WayGraphView::Init(TControl* room) {
    SetRect(0, 0, 800, 600);
    SetColor(TColor(0, 255, 0));
    SetTransparent(1);
    GetCanvas().SetKeep(1); // buffered from the first paint on, whatever the canvas mode
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

bool WayGraphView::Project(const WayNode& node, Point3D& screen) const {
    screen = node.Position();
    camera_->Transform(screen);
    if (!(screen.z > kNearPlane)) return false;
    camera_->Project(screen);
    return true;
}

WayNode* WayGraphView::PickNode(const TPoint& point) const {
    if (!graph_ || !camera_) return nullptr;
    WayNode* best = nullptr;
    float bestDistance = 0.0f;
    for (int32_t i = 0; i < graph_->NodeCount(); ++i) {
        WayNode* node = graph_->GetNode(i);
        Point3D s;
        if (!node || !Project(*node, s)) continue;
        const float dx = s.x - static_cast<float>(point.x);
        const float dy = s.y - static_cast<float>(point.y);
        const float d = std::sqrt(dx * dx + dy * dy);
        if (!best || d < bestDistance) {
            best = node;
            bestDistance = d;
        }
    }
    return best;
}

void WayGraphView::DrawLine(const Point3D& a, const Point3D& b) {
    Point3D from = a, to = b;
    if (!ClipToLimit(from, to)) return;
    GetCanvas().Line(FloatToInt32(from.x), FloatToInt32(from.y), FloatToInt32(to.x),
                     FloatToInt32(to.y));
}

// The canvas is never cleared by the frame: it starts as the transparent
// key, and the keep flag makes its copy to the screen leave the key out, so
// the room stays visible around the lines.
void WayGraphView::Draw() {
    TCanvas& canvas = GetCanvas();
    canvas.SetBackColor(TColor(0, 255, 0));
    canvas.SetColor3(TColor(0, 255, 0));
    canvas.SetKeep(1);
    canvas.Clear();
    if (!graph_ || !camera_) return;
    canvas.SetForeColor(TColor(255, 255, 255));
    for (int32_t i = 0; i < graph_->NodeCount(); ++i) {
        const WayNode* node = graph_->GetNode(i);
        Point3D from;
        if (!node || !Project(*node, from)) continue;
        for (int32_t k = 0; k < node->neighbours.Count(); ++k) {
            const WayNode* other = graph_->GetNode(node->neighbours[k]);
            Point3D to;
            if (other && Project(*other, to)) DrawLine(from, to);
        }
    }
}

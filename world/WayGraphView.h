// The room's debug overlay of the way graph: draws every link as it appears
// through the camera and picks the node nearest to a screen point. It lies
// over the whole room with a transparent background, so only its lines
// cover the room.
#pragma once

#include "Camera3D.h"
#include "WayGraph.h"

#include "foundation/TPoint.h"
#include "ui/TControl.h"

class WayGraphView : public TControl {
public:
    // Points nearer to the camera plane than this are neither drawn nor picked.
    static constexpr float kNearPlane = 0.001f;

    // Covers the 800 x 600 screen of `room` as its child.
    void Init(TControl* room);
    void SetGraph(WayGraph* graph);
    void SetCamera(Camera3D* camera);
    WayGraph* GetGraph() const { return graph_; }
    Camera3D* GetCamera() const { return camera_; }

    // The node whose projection is nearest to `point`; the first of equally
    // near nodes wins. Null for an empty graph or no node before the camera.
    WayNode* PickNode(const TPoint& point) const;

    void Draw() override;

private:
    // The node's screen position; false when it lies behind the near plane.
    bool Project(const WayNode& node, Point3D& screen) const;
    void DrawLine(const Point3D& a, const Point3D& b);

    WayGraph* graph_ = nullptr;
    Camera3D* camera_ = nullptr;
};

// The room's hidden debug overlay of the way graph: draws every link through
// the camera and picks the node nearest to a point on the screen.
#pragma once

#include "foundation/TPoint.h"
#include "ui/TControl.h"

class Camera3D;
class WayGraph;
class WayNode;

class WayGraphView : public TControl {
public:
    void Draw() override;

    void Init(TControl* room);
    void SetGraph(WayGraph* graph);
    void SetCamera(Camera3D* camera);
    // The node in front of the camera whose projection lies nearest to
    // `point` (screen x, y); null when there is none.
    WayNode* PickNode(TPoint point) const;

private:
    WayGraph* graph_ = nullptr;
    Camera3D* camera_ = nullptr;
};

#include "ui/TSysBtn.h"

#include "ui/UiDraw.h"

TSysBtn::TSysBtn() = default;

TSysBtn::~TSysBtn() = default;

void TSysBtn::Draw() {
    // The whole face, whatever the derived buttons inset for their symbols.
    TRectArea client;
    TClickCtl::GetClientRect(client);
    const TRectArea inner = DrawButtonFace(GetCanvas(), client, IsPressed());
    if (IsFocused() && inner.right > inner.left) DrawDottedFrame(GetCanvas(), inner);
}

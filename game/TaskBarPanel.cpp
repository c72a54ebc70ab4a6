#include "TaskBarPanel.h"

#include "GamePictures.h"

#include "foundation/TEvent.h"

namespace {
const TColor kKey(0, 255, 0);
constexpr int32_t kTop = 543, kWidth = 108, kHeight = 57;
} // namespace

void TaskBarPanel::Build(int32_t x, const char* backgroundKey, const Place& first,
                         const Place& second) {
    SetVisible(false);
    SetRect(x, kTop, kWidth, kHeight);
    SetTransparent(0);
    background_.SetRect(0, 0, kWidth, kHeight);
    background_.SetSource(NamedPicture(backgroundKey));
    background_.SetTransparent(1);
    background_.SetColor(kKey);
    background_.Attach(this);
    first_.SetRect(first.x, first.y, first.w, first.h);
    second_.SetRect(second.x, second.y, second.w, second.h);
}

void TaskBarPanel::Finish(TControl* parent) {
    for (TListForm* button : {&first_, &second_}) {
        button->SetTransparent(1);
        button->SetColor(kKey);
        button->Show(this);
    }
    Show(parent);
}

bool TaskBarPanel::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    if (event->type == evMouseMove && IsEnabled() && IsVisible()) {
        TRectArea area;
        GetScreenRect(area);
        const int32_t x = event->record.x, y = event->record.y;
        if (x < area.left || x >= area.right || y < area.top || y >= area.bottom)
            HideThroughWorld();
    }
    return TPanel::HandleEvent(sender, event);
}

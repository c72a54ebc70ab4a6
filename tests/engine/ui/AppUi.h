// UI tests under a running application: the engine's application (or a class
// derived from it) opened over the display as the tree's application, shown
// and enabled, its program folder a fresh temporary one, and its loop's
// events drained around each test.
#pragma once

#include "TempDir.h"
#include "UiFixture.h"
#include "foundation/TDeleteQueue.h"
#include "ui/TWinApp.h"

namespace uitest {

template <class App> class AppUiTest : public UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        TEventMgr::Global().InitQueue(display.GetWindow());
        TGraphic::SetApplication(&app);
        app.SetPaths((dir.Path() / "adv").c_str());
        app.Open(nullptr);
        app.SetVisible(true);
        app.SetEnabled(true);
        Drain();
    }
    void TearDown() override {
        TEventMgr::Global().SetTimer(0);
        Drain();
        DrainDeleteLater();
        app.Close();
        UiTest::TearDown();
    }
    // Drops every event the manager holds without routing it.
    static void Drain() {
        TakeQueued();
        TEvent e;
        for (int guard = 0; guard < 2000; ++guard) {
            TEventMgr::Global().Translate(&e);
            if (e.type == 0) break;
        }
    }

    testsupport::TempDir dir;
    App app;
};

} // namespace uitest

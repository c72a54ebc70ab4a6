#!/usr/bin/env python3
"""The layering check on a small tree written here: each kind of upward
include, by every spelling that reaches the file, is refused; the legal
forms pass."""

import contextlib
import importlib.util
import io
import os
import shutil
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SCRIPT = os.path.join(HERE, "..", "..", "scripts", "check_layering.py")
spec = importlib.util.spec_from_file_location("check_layering", SCRIPT)
layering = importlib.util.module_from_spec(spec)
spec.loader.exec_module(layering)

# The tree's CMake files give their targets include directories the way the
# project's do.
CMAKE = {
    "CMakeLists.txt": "project(Fake)\n",
    "platform/CMakeLists.txt":
        "target_include_directories(platform PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)\n",
    "lua/CMakeLists.txt": "target_include_directories(lua PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include\n"
                          "                           PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)\n",
    "graphics/CMakeLists.txt": "target_include_directories(graphics PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include\n"
                               "                           PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})\n",
    "engine/CMakeLists.txt": "target_include_directories(engine PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})\n",
    "world/CMakeLists.txt": "target_include_directories(world PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})\n",
    "game/CMakeLists.txt": "# comment: include_directories(${CMAKE_CURRENT_SOURCE_DIR}/ignored)\n"
                           "target_include_directories(game PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})\n",
    "tests/CMakeLists.txt": "",
    "tests/support/CMakeLists.txt":
        "target_include_directories(test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})\n",
    "tools/CMakeLists.txt": "target_include_directories(tools INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/lib)\n",
}
# One header in each place an include may reach.
HEADERS = ["platform/include/platform/Host.h", "platform/src/host/Parts.h", "lua/include/lua.h",
           "lua/src/lstate.h", "graphics/include/gdl/gdl.h", "graphics/internal.h",
           "graphics/drivers/driver.h", "world/Room.h", "game/GameApp.h", "tests/support/Fixture.h",
           "tools/lib/Writer.h"] + ["engine/%s/%s.h" % (f, f.split("/")[-1].capitalize())
                                    for f in layering.ENGINE_ORDER]

# (file, include line) that the check must refuse.
REFUSED = [
    ("engine/foundation/TObject.h", '#include "../ui/Ui.h"'),
    ("engine/foundation/TObject.cpp", '#include "ui/Ui.h"'),
    ("engine/media/devices/TDisp.cpp", '#include "../../ui/Ui.h"'),
    ("engine/media/devices/TDisp.cpp", '#include "media/sound/Sound.h"'),
    ("engine/media/resources/TPic.cpp", '#include "../animation/Animation.h"'),
    ("engine/foundation/TObject.cpp", '#include "../../world/Room.h"'),
    ("engine/drawing/TCanvas.cpp", '#include "Room.h"'),
    ("world/TRoom.cpp", '#include "../game/GameApp.h"'),
    ("world/TRoom.cpp", '#include "GameApp.h"'),
    ("world/TRoom.cpp", '#include <GameApp.h>'),
    ("world/TRoom.cpp", '#include "lua.h"'),
    ("graphics/blit.cpp", '#include "foundation/Foundation.h"'),
    ("graphics/drivers/accel.cpp", '#include "../../engine/foundation/Foundation.h"'),
    ("platform/src/host/Host.cpp", '#include <gdl/gdl.h>'),
    ("platform/src/host/Host.cpp", '#include "../../../graphics/internal.h"'),
    ("platform/include/platform/Window.h", '#include "ui/Ui.h"'),
    ("lua/src/lapi.cpp", '#include "platform/Host.h"'),
    ("game/Script.cpp", '#include "../tests/support/Fixture.h"'),
    ("game/Script.cpp", '#include "Writer.h"'),
    ("engine/ui/TEngine.cpp", "#include <unistd.h>"),
    ("engine/ui/TEngine.cpp", "#include <sys/mman.h>"),
    ("engine/ui/TEngine.cpp", "#include <execinfo.h>"),
    ("engine/ui/TEngine.cpp", "#include <net/if.h>"),
    ("engine/ui/TEngine.cpp", "#include <SDL.h>"),
    ("world/TRoom.cpp", "  #  include <pthread.h> // spaced"),
    ("graphics/blit.cpp", "#include <malloc.h>"),
    ("game/Script.cpp", "#include <signal.h>"),
    ("game/Script.cpp", "#include <csignal>"),
    ("lua/src/lapi.cpp", "#include <dlfcn.h>"),
    ("tools/lib/Writer.cpp", "#include <spawn.h>"),
    ("game/Script.cpp", '#include "Missing.h"'),
    ("engine/ui/TEngine.cpp", "#include PLATFORM_HEADER"),
    ("engine/sound/TMixer.cpp", '#include "foundation/Foundation.h"'),  # outside the order
]

# (file, include line) that the check accepts.
ACCEPTED = [
    ("engine/ui/TEngine.cpp", '#include "foundation/Foundation.h"'),
    ("engine/ui/TEngine.cpp", '#include "../foundation/Foundation.h"'),
    ("engine/ui/TEngine.cpp", '#include "Ui.h"'),
    ("engine/media/sound/TMixer.cpp", '#include "../devices/Devices.h"'),
    ("engine/media/sound/TMixer.cpp", '#include "media/resources/Resources.h"'),
    ("engine/drawing/TCanvas.cpp", "#include <gdl/gdl.h>"),
    ("engine/drawing/TCanvas.cpp", '#include "platform/Host.h"'),
    ("engine/drawing/TCanvas.cpp", "#include <immintrin.h>"),
    ("world/TRoom.cpp", '#include "ui/Ui.h"'),
    ("world/TRoom.cpp", '#include "Room.h"'),
    ("game/Script.cpp", '#include "lua.h"'),
    ("game/Script.cpp", '#include "Room.h"'),
    ("game/Script.cpp", '#include "../world/Room.h"'),
    ("game/Script.cpp", "#include <vector>"),
    ("game/Script.cpp", "#include <stdio.h>"),
    ("game/Script.cpp", "#include <csetjmp>"),
    ("graphics/blit.cpp", '#include "internal.h"'),
    ("graphics/blit.cpp", "#include <jpeglib.h>"),
    ("graphics/drivers/accel.cpp", '#include "../internal.h"'),
    ("graphics/drivers/accel.cpp", '#include "drivers/driver.h"'),
    ("graphics/drivers/accel.cpp", '#include "platform/Host.h"'),
    ("platform/src/host/Host.cpp", '#include "../host/Parts.h"'),
    ("platform/src/host/Host.cpp", "#include <SDL.h>"),
    ("platform/src/host/Host.cpp", "#include <signal.h>"),
    ("platform/src/host/Host.cpp", "#include FT_FREETYPE_H"),
    ("lua/src/lapi.cpp", '#include "lstate.h"'),
    ("lua/src/lapi.cpp", '#include "lua.h"'),
    ("tests/game/ScriptTest.cpp", '#include "../../game/GameApp.h"'),
    ("tests/game/ScriptTest.cpp", "#include <unistd.h>"),
    ("tests/game/ScriptTest.cpp", '#include "Fixture.h"'),
    ("tools/lib/Writer.cpp", '#include "GameApp.h"'),
    ("engine/ui/TEngine.cpp", '// #include "../../world/Room.h" in a comment'),
]


def write(root, path, text):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "w", encoding="utf-8") as f:
        f.write(text)


def run(root):
    """(exit status, report) of the check on ROOT."""
    out = io.StringIO()
    with contextlib.redirect_stdout(out):
        status = layering.main(["check_layering.py", root])
    return status, out.getvalue()


class LayeringCheckTest(unittest.TestCase):
    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="layering-")
        self.addCleanup(shutil.rmtree, self.root)
        for path, text in CMAKE.items():
            write(self.root, path, text)
        for path in HEADERS:
            write(self.root, path, "#pragma once\n#include <cstdint>\n")

    def plant(self, path, line):
        write(self.root, path, "// planted\n#include <cstdint>\n%s\n" % line)
        self.addCleanup(os.remove, os.path.join(self.root, path))

    def test_the_clean_tree_passes(self):
        self.assertEqual(run(self.root), (0, "layering: ok\n"))

    def test_each_upward_or_system_include_is_refused_where_it_stands(self):
        for path, line in REFUSED:
            with self.subTest(path=path, include=line):
                full = os.path.join(self.root, path)
                write(self.root, path, "// planted\n%s\n" % line)
                status, report = run(self.root)
                os.remove(full)
                self.assertEqual(status, 1, report)
                self.assertIn(path, report)

    def test_the_legal_forms_pass(self):
        # All at once, in files of their own, so one run shows every refusal.
        for i, (path, line) in enumerate(ACCEPTED):
            stem, ext = os.path.splitext(path)
            self.plant("%s%d%s" % (stem, i, ext), line)
        status, report = run(self.root)
        self.assertEqual((status, report), (0, "layering: ok\n"))

    def test_game_sub_folders_keep_their_order_once_listed(self):
        self.plant("game/rules/Rule.h", "")
        self.plant("game/views/View.cpp", '#include "../rules/Rule.h"')
        self.assertEqual(run(self.root)[0], 0)  # game/ is one rank while the order is empty
        self.plant("game/rules/Rule.cpp", '#include "../views/View.h"')
        self.plant("game/views/View.h", "")
        self.assertEqual(run(self.root)[0], 0)

        saved = list(layering.GAME_ORDER)
        self.addCleanup(lambda: layering.GAME_ORDER.__setitem__(slice(None), saved))
        layering.GAME_ORDER[:] = ["rules", "views"]
        status, report = run(self.root)
        self.assertEqual(status, 1)
        self.assertIn("game/rules/Rule.cpp:3", report)
        self.assertNotIn("game/views/View.cpp", report)
        self.assertIn("game/GameApp.h: not in a folder of game/'s order", report)

    def test_the_exceptions_file_admits_only_its_world_and_game_entries(self):
        self.plant("world/TRoom.cpp", '#include "GameApp.h"')
        self.plant("engine/ui/TEngine.cpp", '#include "../../world/Room.h"')
        exceptions = os.path.join(self.root, layering.EXCEPTIONS_FILE)
        write(self.root, layering.EXCEPTIONS_FILE,
              "# pending\n"
              "world/TRoom.cpp game/GameApp.h the room asks the application until the split\n"
              "engine/ui/TEngine.cpp world/Room.h the engine may not wait\n")
        status, report = run(self.root)
        self.assertEqual(status, 1)
        self.assertNotIn("world/TRoom.cpp:3", report)
        self.assertIn("engine/ui/TEngine.cpp:3", report)
        self.assertIn("layering-exceptions.txt:3: only world/ and game/", report)

        write(self.root, layering.EXCEPTIONS_FILE,
              "world/TRoom.cpp game/GameApp.h\n"  # no reason given
              "world/TCamera.cpp game/GameApp.h the camera asked the application once\n")
        status, report = run(self.root)
        self.assertIn("layering-exceptions.txt:1: expected", report)
        self.assertIn("layering-exceptions.txt:2: world/TCamera.cpp game/GameApp.h", report)  # stale
        self.assertIn("world/TRoom.cpp:3", report)
        os.remove(exceptions)

    def test_a_new_top_level_folder_must_join_the_order(self):
        write(self.root, "audio/CMakeLists.txt", "")
        status, report = run(self.root)
        self.assertEqual(status, 1)
        self.assertIn("audio/", report)


if __name__ == "__main__":
    unittest.main()

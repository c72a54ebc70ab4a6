// Routes what the event manager holds as the program's modal loop does: one
// step of the loop per event (TFocusCtl::RouteOne, which the loop's own step
// calls), without the idle wait of a step that finds nothing, so the
// virtual clock stays where it is. Fixtures and replays of recorded input
// drive the component tree through it instead of restating the routing.
#pragma once

#include "ui/TFocusCtl.h"

#include <vector>

namespace testsupport {

// Every pending event and those its routing posts, at most `most` of them;
// the events as routed, in order.
inline std::vector<TEvent> RoutePending(TFocusCtl& modal, int most = 2000) {
    std::vector<TEvent> routed;
    TEvent event;
    for (int step = 0; step < most && modal.RouteOne(&event); ++step)
        routed.push_back(event);
    return routed;
}

} // namespace testsupport

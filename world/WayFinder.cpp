#include "WayFinder.h"

#include "foundation/TError.h"

#include <cmath>

namespace {

const char* const kSource = "Int\\All\\Source\\WayFinder";

// Crowding counts actors nearer than 0.5 (squared 0.25).
constexpr float kCrowdRadiusSquared = 0.25f;

} // namespace

WayFinder::~WayFinder() {
    Clear();
}

void WayFinder::SetActorPositions(void* owner, WayActorPositions source) {
    actorsOwner_ = owner;
    actors_ = source;
}

void WayFinder::Unlink(RecordList& list, WaySearchRecord* record) {
    (record->prev ? record->prev->next : list.head) = record->next;
    (record->next ? record->next->prev : list.tail) = record->prev;
    record->prev = record->next = nullptr;
}

void WayFinder::Append(RecordList& list, WaySearchRecord* record) {
    record->prev = list.tail;
    record->next = nullptr;
    (list.tail ? list.tail->next : list.head) = record;
    list.tail = record;
}

// Before the first record whose f is greater or equal: the newest of equal f
// is expanded first.
void WayFinder::InsertOpen(WaySearchRecord* record) {
    const float f = record->F();
    WaySearchRecord* at = open_.head;
    while (at && at->F() < f)
        at = at->next;
    if (!at) {
        Append(open_, record);
    } else {
        record->next = at;
        record->prev = at->prev;
        (at->prev ? at->prev->next : open_.head) = record;
        at->prev = record;
    }
    record->node->flags |= WayNode::Open;
}

WaySearchRecord* WayFinder::FindOpen(const WayNode* node) const {
    for (WaySearchRecord* r = open_.head; r; r = r->next)
        if (r->node == node) return r;
    return nullptr;
}

void WayFinder::Clear() {
    while (WaySearchRecord* r = open_.tail) {
        r->node->flags &= ~WayNode::Open;
        Unlink(open_, r);
        delete r;
    }
    while (WaySearchRecord* r = closed_.tail) {
        r->node->flags &= ~WayNode::Closed;
        Unlink(closed_, r);
        delete r;
    }
}

float WayFinder::Crowding(const WayNode& node) const {
    float sum = 0.0f;
    for (int32_t i = 0; i < actorCount_; ++i) {
        const Point3D& a = actorPositions_[i];
        const float dx = node.x - a.x, dy = node.y - a.y, dz = node.z - a.z;
        const float d2 = dx * dx + dy * dy + dz * dz;
        if (d2 < kCrowdRadiusSquared) sum += kCrowdRadiusSquared - d2;
    }
    return std::sqrt(sum);
}

WalkPath* WayFinder::FindPath(const Point3D& from, const Point3D& to) {
    if (!graph_) return nullptr;
    WayNode* start = graph_->NearestNode(from);
    WayNode* goal = graph_->NearestNode(to);
    if (!start || !goal || start == goal) return nullptr;
    return FindPathBetweenNodes(start, goal);
}

bool WayFinder::Offer(WaySearchRecord* current, WayNode* neighbour, WayNode* goal) {
    auto* record = new WaySearchRecord;
    if (!record) return false;
    record->node = neighbour;
    record->parent = current;
    record->g = current->g + Distance3(current->node->Position(), neighbour->Position()) +
                Crowding(*neighbour);
    record->h = Distance3(neighbour->Position(), goal->Position());
    if (neighbour->flags & WayNode::Open) {
        WaySearchRecord* old = FindOpen(neighbour);
        if (old && record->F() > old->F()) {
            delete record;
            return true;
        }
        if (old) {
            Unlink(open_, old);
            neighbour->flags &= ~WayNode::Open;
            delete old;
        }
    }
    InsertOpen(record);
    return true;
}

WalkPath* WayFinder::FindPathBetweenNodes(WayNode* start, WayNode* goal) {
    Clear();
    if (!graph_ || !start || !goal) return nullptr;
    actorCount_ = actors_ ? actors_(actorsOwner_, &actorPositions_) : 0;
    if (!actorPositions_) actorCount_ = 0;
    auto* first = new WaySearchRecord;
    if (!first) {
        TError::Raise(9, nullptr, nullptr, kSource, 1);
        return nullptr;
    }
    first->node = start;
    first->h = Distance3(goal->Position(), start->Position());
    InsertOpen(first);
    while (WaySearchRecord* current = open_.head) {
        Unlink(open_, current);
        Append(closed_, current);
        current->node->flags = (current->node->flags | WayNode::Closed) & ~WayNode::Open;
        if (current->node == goal) {
            WalkPath* path = BuildPath(current);
            Clear();
            return path;
        }
        const GrowArray<int32_t>& links = current->node->neighbours;
        for (int32_t i = 0; i < links.Count(); ++i) {
            WayNode* neighbour = graph_->GetNode(links[i]);
            // Closed nodes are never reopened, whatever their new cost.
            if (!neighbour || (neighbour->flags & WayNode::Closed)) continue;
            if (!Offer(current, neighbour, goal)) {
                TError::Raise(9, nullptr, nullptr, kSource, 2);
                Clear();
                return nullptr;
            }
        }
    }
    Clear();
    return nullptr;
}

WalkPath* WayFinder::BuildPath(const WaySearchRecord* goal) {
    int32_t count = 0;
    for (const WaySearchRecord* r = goal; r; r = r->parent)
        ++count;
    auto* path = new WalkPath;
    if (!path || !path->SetPointCount(count)) {
        delete path;
        TError::Raise(9, nullptr, nullptr, kSource, 3);
        return nullptr;
    }
    for (const WaySearchRecord* r = goal; r; r = r->parent)
        path->PointAt(--count) = r->node->Position();
    path->cost = goal->g + goal->h;
    return path;
}

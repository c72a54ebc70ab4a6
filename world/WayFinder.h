// A* over the way graph. The open list is kept sorted by f = g + h by linear
// insertion (the newest of equal f first); set membership lives in the node
// flags, so only replacing an open record scans the list. The cost of
// reaching a node grows near standing actors, so routes bend around them.
#pragma once

#include "Point3D.h"
#include "WalkPath.h"
#include "WayGraph.h"

#include "foundation/TObject.h"

#include <cstdint>

class WaySearchRecord : public TObject {
public:
    WayNode* node = nullptr;
    WaySearchRecord* parent = nullptr; // null for the start
    float g = 0.0f;                    // cost from the start
    float h = 0.0f;                    // straight line to the goal
    float F() const { return g + h; }
    WaySearchRecord* prev = nullptr; // links of the list holding the record
    WaySearchRecord* next = nullptr;
};

// The positions of every actor of the room (the walker included), valid while
// the search runs; the room supplies them.
using WayActorPositions = int32_t (*)(void* owner, const Point3D** positions);

class WayFinder : public TObject {
public:
    explicit WayFinder(WayGraph* graph) : graph_(graph) {}
    ~WayFinder() override;
    WayFinder(const WayFinder&) = delete;
    WayFinder& operator=(const WayFinder&) = delete;

    void SetGraph(WayGraph* graph) { graph_ = graph; }
    void SetActorPositions(void* owner, WayActorPositions source);

    // Null for an empty graph or when both points are nearest to one node.
    virtual WalkPath* FindPath(const Point3D& from, const Point3D& to);
    // A new path owned by the caller, or null when the goal cannot be reached.
    virtual WalkPath* FindPathBetweenNodes(WayNode* start, WayNode* goal);
    void Clear();

    // The extra cost of reaching `node` near the actors.
    float Crowding(const WayNode& node) const;

private:
    struct RecordList {
        WaySearchRecord* head = nullptr;
        WaySearchRecord* tail = nullptr;
    };
    static void Unlink(RecordList& list, WaySearchRecord* record);
    static void Append(RecordList& list, WaySearchRecord* record);
    void InsertOpen(WaySearchRecord* record);
    WaySearchRecord* FindOpen(const WayNode* node) const;
    // Offers `neighbour` reached from `current`; false when out of memory.
    bool Offer(WaySearchRecord* current, WayNode* neighbour, WayNode* goal);
    WalkPath* BuildPath(const WaySearchRecord* goal);

    WayGraph* graph_;
    RecordList open_;
    RecordList closed_;
    void* actorsOwner_ = nullptr;
    WayActorPositions actors_ = nullptr;
    const Point3D* actorPositions_ = nullptr;
    int32_t actorCount_ = 0;
};

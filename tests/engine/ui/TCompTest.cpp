// The component tree: routing filters and order, the targeted broadcast,
// attaching and detaching, handler order, and walks that survive handlers
// which change the tree under them.
#include "ErrorProbe.h"
#include "foundation/TComp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> trace;

class Node : public TComp {
public:
    explicit Node(std::string name, bool takes = false) : name(std::move(name)), takes(takes) {}
    bool DefaultHandler(TObject*, TEvent* e) override {
        trace.push_back(name + ":default" + std::to_string(e->type));
        return takes;
    }
    void OnTargetEvent(TEvent*) override { trace.push_back(name + ":target"); }
    int Mark(TObject*, TEvent*) {
        trace.push_back(name + ":handler");
        return answer;
    }
    int MarkAgain(TObject*, TEvent*) {
        trace.push_back(name + ":handler2");
        return 1;
    }
    std::string name;
    bool takes;
    int answer = 0;
};

TEvent Event(int32_t type, uintptr_t target = 0) {
    TEvent e;
    e.SetType(type);
    e.target = target;
    return e;
}

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override { trace.clear(); }
    void TearDown() override { EngineSetHeapForTests(nullptr); }
};

TEST_F(TreeTest, FlagFiltersPerType) {
    struct Case {
        int32_t type;
        uint32_t flags;
        bool passes;
    };
    const uint32_t E = TComp::kEnabled, V = TComp::kVisible;
    const Case cases[] = {
        {12, V, false}, {12, E | V, true}, {3, E, false},  {14, E | V, true}, {18, V, false},
        {17, 0, false}, {17, E, true},     {15, E, false}, {15, V, true},     {30, E, false},
        {30, V, true},  {16, 0, true},     {22, 0, true},
    };
    for (const Case& c : cases) {
        Node n("n", true);
        n.SetFlags(~0u, false);
        n.SetFlags(c.flags, true);
        TEvent e = Event(c.type);
        EXPECT_EQ(n.HandleEvent(nullptr, &e), c.passes)
            << "type " << c.type << " flags " << c.flags;
    }
}

TEST_F(TreeTest, ChildrenFirstFromTheFrontAndDepthOrder) {
    Node root("root"), a("a"), b("b"), deep("deep", true);
    deep.SetDepth(1);
    deep.SetParent(&root); // depth 1 stays behind whatever comes later
    a.SetParent(&root);
    b.SetParent(&root); // equal depth: the later one is asked first
    for (TComp* n : {static_cast<TComp*>(&root), static_cast<TComp*>(&a), static_cast<TComp*>(&b),
                     static_cast<TComp*>(&deep)})
        n->SetFlags(TComp::kVisible, true);
    TEvent e = Event(evKeyDown);
    EXPECT_TRUE(root.HandleEvent(nullptr, &e));
    EXPECT_EQ(trace, (std::vector<std::string>{"b:default12", "a:default12", "deep:default12"}));
    EXPECT_EQ(root.ChildCount(), 3);

    // Own handlers run when no child takes it; default only without one.
    trace.clear();
    deep.takes = false;
    root.Add<Node, &Node::Mark>(evKeyDown, &root);
    root.HandleEvent(nullptr, &e);
    EXPECT_EQ(trace.back(), "root:handler");
    EXPECT_TRUE(root.Reposition(&a, 0));
    EXPECT_FALSE(root.Reposition(&a, 0));
}

TEST_F(TreeTest, TargetedEventsBroadcastAndAddress) {
    Node root("root"), a("a"), b("b"), leaf("leaf");
    a.SetParent(&root);
    b.SetParent(&root);
    leaf.SetParent(&a);
    for (Node* n : {&root, &a, &b, &leaf}) {
        n->answer = 1; // a handler that takes it does not stop the broadcast
        n->Add<Node, &Node::Mark>(evTargeted, n);
    }
    TEvent all = Event(evTargeted);
    EXPECT_FALSE(root.HandleEvent(nullptr, &all));
    EXPECT_EQ(trace,
              (std::vector<std::string>{"root:target", "root:handler", "b:target", "b:handler",
                                        "a:target", "a:handler", "leaf:target", "leaf:handler"}));
    trace.clear();
    TEvent one = Event(evTargeted, TEvent::WordOf(&leaf));
    EXPECT_TRUE(root.HandleEvent(nullptr, &one));
    EXPECT_EQ(trace, (std::vector<std::string>{"leaf:target", "leaf:handler"}));
}

TEST_F(TreeTest, AttachDetachAndHandlerOrder) {
    Node first("first"), second("second"), child("child"), grandchild("gc");
    child.answer = 1;
    child.Add<Node, &Node::Mark>(evAttached, &child);
    EXPECT_EQ(child.SetParent(&first), 1);
    EXPECT_EQ(child.SetParent(&second), 1); // stays under the first parent
    EXPECT_EQ(child.GetParent(), &first);
    EXPECT_EQ(second.ChildCount(), 0);
    EXPECT_EQ(trace, (std::vector<std::string>{"child:handler", "child:handler"}));

    // Newest handler first; a true answer stops the walk.
    trace.clear();
    child.Add<Node, &Node::MarkAgain>(evCommand, &child);
    child.Add<Node, &Node::MarkAgain>(evCommand, &child);
    TEvent cmd = Event(evCommand);
    EXPECT_EQ(child.Dispatch(nullptr, &cmd), 1);
    EXPECT_EQ(trace.size(), 1u);

    grandchild.SetParent(&child);
    child.Detach();
    EXPECT_EQ(child.GetParent(), nullptr);
    EXPECT_EQ(first.ChildCount(), 0);
    EXPECT_EQ(grandchild.GetParent(), nullptr);
    EXPECT_FALSE(child.Has(evCommand));
}

TEST_F(TreeTest, RefusedInsertionLeavesTheNodeUnattached) {
    Node parent("p"), child("c");
    RefuseNextBlocks(sizeof(TListNode), 2);
    child.SetParent(&parent);
    EngineSetHeapForTests(nullptr);
    EXPECT_EQ(child.GetParent(), nullptr);
    EXPECT_EQ(parent.ChildCount(), 0);
    ASSERT_NE(NewestError(), nullptr);
    EXPECT_EQ(NewestError()->code, 9);
    EXPECT_STREQ(NewestError()->source.c_str(), "Source\\TComp");
    EXPECT_EQ(NewestError()->line, 118);
    EXPECT_EQ(child.SetParent(&parent), 0); // a later attach succeeds
    EXPECT_EQ(child.GetParent(), &parent);
}

// A handler that changes the tree while its parent walks the children.
class Mutator : public Node {
public:
    using Node::Node;
    int DeleteSibling(TObject*, TEvent*) {
        delete victim;
        victim = nullptr;
        return 0;
    }
    int ShowForm(TObject*, TEvent*) {
        form = new Node("form", true);
        form->SetFlags(TComp::kVisible, true);
        form->SetParent(GetParent()); // attached in front while routing
        Detach();                     // and the handler's node leaves
        return 0;
    }
    Node* victim = nullptr;
    Node* form = nullptr;
};

TEST_F(TreeTest, HandlerDeletesASiblingMidWalk) {
    Node root("root");
    Node* before = new Node("before");
    Mutator killer("killer");
    Node after("after", true);
    after.SetParent(&root);
    before->SetParent(&root);
    killer.SetParent(&root); // front: asked first
    for (Node* n : {&root, before, static_cast<Node*>(&killer), &after})
        n->SetFlags(TComp::kVisible, true);
    killer.victim = before;
    killer.Add<Mutator, &Mutator::DeleteSibling>(evCommand, &killer);
    TEvent e = Event(evCommand);
    EXPECT_TRUE(root.HandleEvent(nullptr, &e));
    EXPECT_EQ(trace.back(), "after:default14");
    EXPECT_EQ(root.ChildCount(), 2);
    trace.clear();
    EXPECT_TRUE(root.HandleEvent(nullptr, &e)); // the list is whole afterwards
    EXPECT_EQ(trace, (std::vector<std::string>{"after:default14"}));
}

TEST_F(TreeTest, CommandHandlerShowsANewFormDuringRouting) {
    Node app("app");
    Mutator button("button");
    button.SetParent(&app);
    app.SetFlags(TComp::kVisible, true);
    button.SetFlags(TComp::kVisible, true);
    button.Add<Mutator, &Mutator::ShowForm>(evCommand, &button);
    TEvent e = Event(evCommand);
    app.HandleEvent(nullptr, &e);
    ASSERT_NE(button.form, nullptr);
    EXPECT_EQ(button.form->GetParent(), &app);
    EXPECT_EQ(app.ChildCount(), 1);
    trace.clear();
    EXPECT_TRUE(app.HandleEvent(nullptr, &e));
    EXPECT_EQ(trace, (std::vector<std::string>{"form:default14"}));
    delete button.form;
    EXPECT_EQ(app.ChildCount(), 0);
}

} // namespace

// Depth-first walks over a real node tree.
#include <Rt/Rt.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

class TreeNode : public KxNode {
public:
    explicit TreeNode(std::string name) : name(std::move(name)) {}
    TreeNode* add(TreeNode* child) {
        children.push_back(child);
        return child;
    }
    int getNumChildren(bool includeHidden) override {
        flags.push_back(includeHidden);
        return static_cast<int>(children.size());
    }
    KxNode* getChild(int index, bool includeHidden) override {
        flags.push_back(includeHidden);
        return index >= 0 && index < static_cast<int>(children.size()) ? children[index].get() : nullptr;
    }

    std::string name;
    std::vector<Kx::SharedPtr<TreeNode>> children;
    std::vector<bool> flags;
};

// Raises an error of the core library while its children are counted.
class BrokenNode : public TreeNode {
public:
    using TreeNode::TreeNode;
    int getNumChildren(bool) override {
        KxErrorState::throwStdError("Node", "count", "broken", 7);
        return static_cast<int>(children.size());
    }
};

struct Walk {
    Strings events;
    std::set<std::string> pruneAt;  // pre-action answers false here
    std::set<std::string> stopAt;   // post-action answers false here
    bool postResultForNull = true;
};

std::string nameOf(KxNode* node) { return node ? static_cast<TreeNode*>(node)->name : std::string("null"); }

bool pre(KxNode* node, void* data) {
    Walk& walk = *static_cast<Walk*>(data);
    walk.events.push_back("pre " + nameOf(node));
    return walk.pruneAt.count(nameOf(node)) == 0;
}

bool post(KxNode* node, void* data) {
    Walk& walk = *static_cast<Walk*>(data);
    walk.events.push_back("post " + nameOf(node));
    if (!node) return walk.postResultForNull;
    return walk.stopAt.count(nameOf(node)) == 0;
}

bool otherPre(KxNode* node, void* data) {
    static_cast<Walk*>(data)->events.push_back("other " + nameOf(node));
    return true;
}

// root ( a ( a1 a2 ) b ( b1 ) c )
Kx::SharedPtr<TreeNode> makeTree() {
    Kx::SharedPtr<TreeNode> root(new TreeNode("root"));
    TreeNode* a = root->add(new TreeNode("a"));
    a->add(new TreeNode("a1"));
    a->add(new TreeNode("a2"));
    TreeNode* b = root->add(new TreeNode("b"));
    b->add(new TreeNode("b1"));
    root->add(new TreeNode("c"));
    return root;
}

class CountingTraverser : public Rt::KxSimpleTraverser {
public:
    using Rt::KxSimpleTraverser::KxSimpleTraverser;
    bool traverseGraph(KxNode* node) override {
        visited.push_back(nameOf(node));
        return Rt::KxSimpleTraverser::traverseGraph(node);
    }
    Strings visited;
};

} // namespace

TEST(KxSimpleTraverser, VisitsEveryNodeDepthFirstWithBothActions) {
    auto root = makeTree();
    Walk walk;
    Rt::KxSimpleTraverser traverser(&walk);
    EXPECT_TRUE(traverser.setPreActionCB(&pre));
    EXPECT_TRUE(traverser.setPostActionCB(&post));
    EXPECT_TRUE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(walk.events, (Strings{"pre root", "pre a", "pre a1", "post a1", "pre a2", "post a2", "post a",
                                    "pre b", "pre b1", "post b1", "post b", "pre c", "post c", "post root"}));
    for (bool flag : root->flags) EXPECT_FALSE(flag);
    EXPECT_EQ(traverser.getErrorMsg().toStdString(), "");
}

TEST(KxSimpleTraverser, NullNodeGetsBothActionsOnceAndThePostResult) {
    Walk walk;
    Rt::KxSimpleTraverser traverser(&walk);
    traverser.setPreActionCB(&pre);
    traverser.setPostActionCB(&post);
    EXPECT_TRUE(traverser.traverseGraph(nullptr));
    EXPECT_EQ(walk.events, (Strings{"pre null", "post null"}));

    walk.events.clear();
    walk.postResultForNull = false;
    EXPECT_FALSE(traverser.traverseGraph(nullptr));
    EXPECT_EQ(walk.events, (Strings{"pre null", "post null"}));
}

TEST(KxSimpleTraverser, WithoutActionsAWalkSucceeds) {
    auto root = makeTree();
    Rt::KxSimpleTraverser traverser;
    EXPECT_TRUE(traverser.traverseGraph(root.get()));
    EXPECT_TRUE(traverser.traverseGraph(nullptr));

    // One action alone is enough, and user data defaults to null.
    Rt::KxSimpleTraverser onlyPost;
    static int postCalls = 0;
    static bool userDataWasNull = true;
    onlyPost.setPostActionCB([](KxNode*, void* data) {
        ++postCalls;
        userDataWasNull = userDataWasNull && data == nullptr;
        return true;
    });
    EXPECT_TRUE(onlyPost.traverseGraph(root.get()));
    EXPECT_EQ(postCalls, 7);
    EXPECT_TRUE(userDataWasNull);
}

TEST(KxSimpleTraverser, PreActionFalsePrunesTheSubtreeButNotThePostAction) {
    auto root = makeTree();
    Walk walk;
    walk.pruneAt = {"a"};
    Rt::KxSimpleTraverser traverser(&walk);
    traverser.setPreActionCB(&pre);
    traverser.setPostActionCB(&post);
    EXPECT_TRUE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(walk.events, (Strings{"pre root", "pre a", "post a", "pre b", "pre b1", "post b1", "post b", "pre c",
                                    "post c", "post root"}));
}

TEST(KxSimpleTraverser, PostActionFalseStopsTheSiblingsAndUnwinds) {
    auto root = makeTree();
    Walk walk;
    walk.stopAt = {"b"};
    Rt::KxSimpleTraverser traverser(&walk);
    traverser.setPreActionCB(&pre);
    traverser.setPostActionCB(&post);
    EXPECT_FALSE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(walk.events, (Strings{"pre root", "pre a", "pre a1", "post a1", "pre a2", "post a2", "post a",
                                    "pre b", "pre b1", "post b1", "post b"}));

    // From deeper down the whole walk unwinds without further actions.
    walk.events.clear();
    walk.stopAt = {"a1"};
    EXPECT_FALSE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(walk.events, (Strings{"pre root", "pre a", "pre a1", "post a1"}));
}

TEST(KxSimpleTraverser, NullActionIsRefusedAndThePreviousKept) {
    auto root = makeTree();
    Walk walk;
    Rt::KxSimpleTraverser traverser(&walk);
    EXPECT_TRUE(traverser.setPreActionCB(&otherPre));
    EXPECT_FALSE(traverser.setPreActionCB(nullptr));
    EXPECT_TRUE(traverser.setPostActionCB(&post));
    EXPECT_FALSE(traverser.setPostActionCB(nullptr));
    EXPECT_TRUE(traverser.traverseGraph(root->children[2].get()));
    EXPECT_EQ(walk.events, (Strings{"other c", "post c"}));

    // A later non-null action replaces the earlier one.
    walk.events.clear();
    EXPECT_TRUE(traverser.setPreActionCB(&pre));
    EXPECT_TRUE(traverser.traverseGraph(root->children[2].get()));
    EXPECT_EQ(walk.events, (Strings{"pre c", "post c"}));
}

TEST(KxSimpleTraverser, ErrorWhileCountingChildrenStopsWithAReadableMessage) {
    KxErrorState::setErrorCallback(nullptr);
    auto root = makeTree();
    TreeNode* broken = root->children[1]->add(new BrokenNode("broken"));
    broken->add(new TreeNode("hidden"));
    Walk walk;
    Rt::KxSimpleTraverser traverser(&walk);
    traverser.setPreActionCB(&pre);
    traverser.setPostActionCB(&post);

    EXPECT_FALSE(traverser.traverseGraph(root.get()));
    const std::string message = "KxSimpleTraverser Encountered: Node::count -  broken";
    EXPECT_EQ(traverser.getErrorMsg().toStdString(), message);
    EXPECT_EQ(walk.events, (Strings{"pre root", "pre a", "pre a1", "post a1", "pre a2", "post a2", "post a",
                                    "pre b", "pre b1", "post b1", "pre broken"}));
    ASSERT_NE(KxErrorState::s_pError, nullptr) << "the error stays current";
    EXPECT_EQ(KxErrorState::s_pError->getCode(), 7);

    // A copy carries the message; a later successful walk leaves it in place.
    Rt::KxSimpleTraverser copy(traverser);
    EXPECT_EQ(copy.getErrorMsg().toStdString(), message);
    walk.events.clear();
    EXPECT_TRUE(traverser.traverseGraph(root->children[0].get()));
    EXPECT_EQ(walk.events, (Strings{"pre a", "pre a1", "post a1", "pre a2", "post a2", "post a"}));
    EXPECT_EQ(traverser.getErrorMsg().toStdString(), message);
    KxErrorState::clearError();
}

TEST(KxSimpleTraverser, AnErrorLeftFromBeforeDoesNotFailTheWalk) {
    KxErrorState::setErrorCallback(nullptr);
    auto root = makeTree();
    KxErrorState::throwStdError("Elsewhere", "earlier", "stale", 3);
    Rt::KxSimpleTraverser traverser;
    EXPECT_TRUE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(traverser.getErrorMsg().toStdString(), "");
}

TEST(KxSimpleTraverser, AnOverrideInADerivedClassHandlesTheChildren) {
    auto root = makeTree();
    Walk walk;
    walk.pruneAt = {"b"};
    CountingTraverser traverser(&walk);
    traverser.setPreActionCB(&pre);
    EXPECT_TRUE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(traverser.visited, (Strings{"root", "a", "a1", "a2", "b", "c"}));
}

// Depth-first walks over a real node tree.
#include "support/RaisedErrors.h"
#include <Rt/Rt.h>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace {

using testsupport::RaisedErrors;
using testsupport::describe;

class TreeNode : public KxNode {
public:
    explicit TreeNode(std::string name, bool broken = false) : name(std::move(name)), broken(broken) {}
    TreeNode* add(TreeNode* child) {
        children.push_back(child);
        return child;
    }
    // A broken node raises an error of the core library while its children are counted.
    int getNumChildren(bool includeHidden) override {
        flags += includeHidden ? "1" : "0";
        if (broken) KxErrorState::throwStdError("Node", "count", "broken", 7);
        return static_cast<int>(children.size());
    }
    KxNode* getChild(int index, bool includeHidden) override {
        flags += includeHidden ? "1" : "0";
        return index >= 0 && index < static_cast<int>(children.size()) ? children[index].get() : nullptr;
    }

    std::string name;
    bool broken;
    std::vector<Kx::SharedPtr<TreeNode>> children;
    std::string flags;
};

// The actions' record: "+name" before a node's children, "-name" after them.
struct Walk {
    std::string events;
    std::set<std::string> pruneAt;  // pre-action answers false here
    std::set<std::string> stopAt;   // post-action answers false here
    void note(char what, KxNode* node) {
        events += (events.empty() ? "" : " ") + std::string(1, what) + name(node);
    }
    static std::string name(KxNode* node) { return node ? static_cast<TreeNode*>(node)->name : "null"; }
};

bool pre(KxNode* node, void* data) {
    Walk& walk = *static_cast<Walk*>(data);
    walk.note('+', node);
    return walk.pruneAt.count(Walk::name(node)) == 0;
}

bool post(KxNode* node, void* data) {
    Walk& walk = *static_cast<Walk*>(data);
    walk.note('-', node);
    return walk.stopAt.count(Walk::name(node)) == 0;
}

// root ( a ( a1 a2 ) b ( b1 ) c )
Kx::SharedPtr<TreeNode> makeTree() {
    Kx::SharedPtr<TreeNode> root(new TreeNode("root"));
    TreeNode* a = root->add(new TreeNode("a"));
    a->add(new TreeNode("a1"));
    a->add(new TreeNode("a2"));
    root->add(new TreeNode("b"))->add(new TreeNode("b1"));
    root->add(new TreeNode("c"));
    return root;
}

// A traverser with both actions over `walk`.
struct Traverser : Rt::KxSimpleTraverser {
    explicit Traverser(Walk& walk) : Rt::KxSimpleTraverser(&walk) {
        setPreActionCB(&pre);
        setPostActionCB(&post);
    }
};

} // namespace

TEST(KxSimpleTraverser, PreActionFalsePrunesPostActionFalseAndErrorsStopTheWalk) {
    RaisedErrors raised;
    auto root = makeTree();
    // b ( b1 broken ( hidden ) ): an error while the broken node's children are counted.
    root->children[1]->add(new TreeNode("broken", true))->add(new TreeNode("hidden"));
    const std::string brokenMessage = "KxSimpleTraverser Encountered: Node::count -  broken";
    // {pruned at, stopped at, start, result, events, error message after}; each row starts
    // with the error of the row before still current, which must not fail its walk.
    const struct {
        const char *prune, *stop;
        TreeNode* from;
        bool result;
        const char *events, *message;
    } cases[] = {
        {"", "", root.get(), false, "+root +a +a1 -a1 +a2 -a2 -a +b +b1 -b1 +broken", brokenMessage.c_str()},
        {"broken", "", root.get(), true, "+root +a +a1 -a1 +a2 -a2 -a +b +b1 -b1 +broken -broken -b +c -c -root", ""},
        {"a", "b", root.get(), false, "+root +a -a +b +b1 -b1 +broken", brokenMessage.c_str()},
        {"broken", "b", root.get(), false, "+root +a +a1 -a1 +a2 -a2 -a +b +b1 -b1 +broken -broken -b", ""},
        {"", "a1", root.get(), false, "+root +a +a1 -a1", ""},
        {"", "", root->children[0].get(), true, "+a +a1 -a1 +a2 -a2 -a", ""},
        {"", "", nullptr, true, "+null -null", ""},
        {"", "null", nullptr, false, "+null -null", ""}};
    for (const auto& c : cases) {
        Walk walk{"", {c.prune}, {c.stop}};
        Traverser traverser(walk);
        EXPECT_EQ(traverser.traverseGraph(c.from), c.result) << c.events;
        EXPECT_EQ(walk.events, c.events);
        EXPECT_EQ(traverser.getErrorMsg().toStdString(), c.message) << c.events;
    }
    EXPECT_EQ(root->flags.find('1'), std::string::npos) << "the flag is always passed as false";
}

TEST(KxSimpleTraverser, ActionsAreOptionalNullActionsRefusedAndTheErrorMessagePersists) {
    struct Counting : Rt::KxSimpleTraverser {
        bool traverseGraph(KxNode* node) override {
            visited += Walk::name(node) + " ";
            return Rt::KxSimpleTraverser::traverseGraph(node);
        }
        std::string visited;
    };
    auto root = makeTree();
    Counting traverser;
    EXPECT_TRUE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(traverser.visited, "root a a1 a2 b b1 c ") << "an override sees every node";
    // One action alone is enough, user data defaults to null, and a null action keeps the previous one.
    static std::string seen;
    EXPECT_TRUE(traverser.setPostActionCB([](KxNode* node, void* data) {
        seen += data ? "data " : Walk::name(node) + " ";
        return true;
    }));
    EXPECT_FALSE(traverser.setPreActionCB(nullptr));
    EXPECT_FALSE(traverser.setPostActionCB(nullptr));
    EXPECT_TRUE(traverser.traverseGraph(root->children[0].get()));
    EXPECT_EQ(seen, "a1 a2 a ");

    // The message of a failed walk stays with the traverser and its copies, through later walks.
    RaisedErrors raised;
    root->children[2]->add(new TreeNode("broken", true));
    EXPECT_FALSE(traverser.traverseGraph(root.get()));
    EXPECT_EQ(describe(KxErrorState::s_pError), "Node|count||broken|7") << "the error stays current";
    EXPECT_TRUE(traverser.traverseGraph(root->children[0].get()));
    EXPECT_EQ(Rt::KxSimpleTraverser(traverser).getErrorMsg().toStdString(),
              "KxSimpleTraverser Encountered: Node::count -  broken");
}

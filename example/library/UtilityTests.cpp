#include "ExampleTests.h"
#include <vector>

namespace {

// Opens the model file named by the first argument from the data directories.
class ReadModel : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("ReadModel");
        setDesc("A model file opens from the input data directory");
    }
    bool executeW() override {
        const KxString file = arg<KxString>(0);
        if (file.isEmpty()) return false;
        Kx::SharedPtr<KxPartition> model;
        if (!readPartition(file, model)) return false;
        return RT_CHECK(model && model->byteSize() > 0);
    }
};

// A small assembly: a root with parts, some with sub-parts.
class Part : public KxNode {
public:
    void add(Part* child) { m_children.push_back(Kx::SharedPtr<Part>(child)); }
    int getNumChildren(bool) override { return static_cast<int>(m_children.size()); }
    KxNode* getChild(int i, bool) override { return m_children[static_cast<std::size_t>(i)].get(); }

private:
    std::vector<Kx::SharedPtr<Part>> m_children;
};

bool countNode(KxNode*, void* data) {
    ++*static_cast<int*>(data);
    return true;
}

// Walks the assembly and compares the number of nodes with the extension text.
class WalkGraph : public Rt::TestSet {
public:
    void initialize() override {
        setTitle("WalkGraph");
        setDesc("A depth-first walk visits every node of an assembly once");
    }
    bool executeW() override {
        Kx::SharedPtr<Part> root(new Part);
        for (int i = 0; i < 3; ++i) {
            Part* part = new Part;
            for (int j = 0; j < i; ++j) part->add(new Part);
            root->add(part);
        }
        int visited = 0;
        Rt::KxSimpleTraverser traverser(&visited);
        traverser.setPreActionCB(&countNode);
        if (!traverser.traverseGraph(root.get())) {
            reportStateE(traverser.getErrorMsg(), "traverseGraph", "executeW", "");
            return false;
        }
        return RT_CHECK_EQ(visited, extAs<int>());
    }
};

} // namespace

namespace example {
Rt::TestSet* createReadModel() { return new ReadModel; }
Rt::TestSet* createWalkGraph() { return new WalkGraph; }
} // namespace example

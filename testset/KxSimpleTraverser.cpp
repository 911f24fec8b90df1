#include "testset/KxSimpleTraverser.h"
#include "corelib/KxErrorState.h"

namespace Rt {

bool KxSimpleTraverser::setPreActionCB(Action action) {
    if (!action) return false;
    m_preAction = action;
    return true;
}

bool KxSimpleTraverser::setPostActionCB(Action action) {
    if (!action) return false;
    m_postAction = action;
    return true;
}

bool KxSimpleTraverser::traverseGraph(KxNode* node) {
    const bool visitChildren = !m_preAction || m_preAction(node, m_userData);
    if (visitChildren && node) {
        KxErrorState::clearError();
        const int children = node->getNumChildren(false);
        if (const KxStdError* error = KxErrorState::s_pError) {
            m_errorMsg = KxString("KxSimpleTraverser Encountered: ") + error->getClassName() + "::" +
                         error->getMethodName() + " -  " + error->getText2();
            return false;
        }
        for (int i = 0; i < children; ++i) {
            m_currentChild = i;
            const bool carryOn = traverseGraph(node->getChild(i, false));
            if (!carryOn) return carryOn;
        }
    }
    return m_postAction ? m_postAction(node, m_userData) : true;
}

} // namespace Rt

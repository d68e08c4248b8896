#include "cod_owner.h"

namespace
{

COD_HasBodyAncestorTest s_test = nullptr;

}  // namespace

void COD_SetHasBodyAncestorTest(COD_HasBodyAncestorTest _test) { s_test = _test; }

bool COD_HasBodyAncestor(const NOD_Node* _body, const NOD_Node* _node)
{
    if (_body == nullptr || _node == nullptr)
        return false;
    if (s_test != nullptr)
        return s_test(_body, _node);
    return _body == _node;
}

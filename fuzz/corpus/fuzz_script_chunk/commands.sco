local root = Node_Find(nil, '/')
local a = Node_Find(root, 'a')
Node_SetName(a, 'boat')
local n = Node_GetNumOfSons(root)
local v = MAT_Vector3(1, 2, 3) * MAT_Vector3(4, 5, 6)
Script_Log(Node_GetName(Node_GetSon(root, 0)) .. v.X .. n)
local t = Script_BindThread(nil, a)
local timer = Script_SetTimer(nil, t, 0.05)
function __BeginPlay(id) Script_SetTimer(nil, id, 0) end
function __Timer(id, timer) Script_UnBindThread(nil, id, a) Script_BindThread(nil, root) end
Node_AddSon(a, Node_Find(nil, '/b'))
Script_StopTimer(nil, t, -1)

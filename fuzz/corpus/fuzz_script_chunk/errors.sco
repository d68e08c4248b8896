local v = MAT_Vector3(1, 2)
local w = v * 2
local x = v.x
v.Q = 5
v.X = 'a'
local y = v / v
local d = v ^ MAT_Vector3()
Node_SetName()
Node_GetName(NOD_NodeRef())
Script_IsNodeRefValid(3)
Script_Error(2)
Script_Error({})
Script_Log(tostring(pcall(Node_SetName, nil, 'fifteen_chars_x')))
Script_GetLineNumber(1)
Script_GetFunctionName(-1)
error('done')

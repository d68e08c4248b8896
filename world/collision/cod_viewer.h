// A viewer (type 3): collects, every pass, the owners of the visible objects whose boxes
// overlap its own. The camera uses one to find the bodies to draw.
//
// The list is rebuilt on every pass (cleared in the handler's BeginStep); a full list drops
// further objects of that pass. References read null once their node is gone.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"
#include "rti_pointer.h"

class NOD_Node;
class PCS_VisibleObject;

class COD_Viewer : public COD_Collidable
{
public:
    // Room for _capacity owners (none for 0 or less); the camera's viewer has 1024.
    explicit COD_Viewer(s32 _capacity = 0);
    ~COD_Viewer() override;
    COD_Viewer(const COD_Viewer&) = delete;
    COD_Viewer& operator=(const COD_Viewer&) = delete;

    // Group-1 pair callback: appends the object's owner while there is room.
    virtual void AddVisible(PCS_VisibleObject* _visible);
    // Empties the list for the next pass.
    virtual void ClearResults();
    // The owner collected at the index; null outside the list or once that node is gone.
    NOD_Node* GetVisible(s32 _index) const;

    s32 m_visibleCount = 0;
    RTI_Pointer* m_visible = nullptr;  // [m_capacity]
    s32 m_listPosition = -1;           // in PCS_ViewerHandler's list, -1 = none
    s32 m_capacity = 0;
};

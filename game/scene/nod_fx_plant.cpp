// The plant field: the shared random table and tile queue, the description, the cell
// bookkeeping that follows the camera, and the drawing order.
#include "nod_fx_plant.h"
#include "nod_creationrecord.h"

#include <algorithm>
#include <cfloat>

#include "brisel_cache.h"
#include "brisel_mesh.h"
#include "brisel_renderer.h"
#include "brisel_simulation.h"
#include "des_file.h"
#include "fx_plantcell.h"
#include "gfx_picturetga.h"
#include "mat_polygon2d.h"
#include "mat_random.h"
#include "mat_spanrasterizer.h"
#include "nod_camera.h"
#include "nod_message.h"
#include "nod_scenereplicators.h"
#include "os_fatal.h"
#include "sim_clock.h"
#include "vec_camera.h"
#include "vec_mesh.h"

RTI_IMPLEMENT_CLASS(NOD_FX_Plant, "NOD_Body")

void NOD_FX_Plant::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

namespace
{
constexpr s32 PLANT_BUCKET = 2;
constexpr f32 HULL_MARGIN = 0.0001f;
constexpr s32 CHAIN_RECORDS = 16;  // a hull of at most 8 points needs 9 per chain

// Shared by every plant node: created by the first, freed with the last.
s32 s_instances = 0;
f32* s_table = nullptr;
s32 s_freeTiles[NOD_FX_Plant::TILE_QUEUE_SIZE] = {};
s32 s_freeHead = 0;
s32 s_freeCount = 0;

void PushFreeTile(s32 _tile)
{
    if (s_freeCount >= NOD_FX_Plant::TILE_QUEUE_SIZE)
        return;
    s_freeTiles[(s_freeHead + s_freeCount) % NOD_FX_Plant::TILE_QUEUE_SIZE] = _tile;
    ++s_freeCount;
}

s32 PopFreeTile()
{
    if (s_freeCount == 0)
        return -1;
    const s32 tile = s_freeTiles[s_freeHead];
    s_freeHead = (s_freeHead + 1) % NOD_FX_Plant::TILE_QUEUE_SIZE;
    --s_freeCount;
    return tile;
}

void CreateShared()
{
    s_table = (f32*)MEM_AllocOrDie(NOD_FX_Plant::TABLE_SIZE * sizeof(f32), "NOD_FX_Plant::NOD_FX_Plant()");
    MAT_Random* generator = new MAT_Random(MAT_RANDOM_SEED);
    for (s32 i = 0; i < NOD_FX_Plant::TABLE_SIZE; ++i) {
        // 2^-32 per step; a value that rounds up to 1 in single precision is kept below it.
        const f32 value = (f32)((f64)generator->Next() * (1.0 / 4294967296.0));
        s_table[i] = value < 1.0f ? value : 0.99999994f;
    }
    delete generator;
    s_freeHead = 0;
    s_freeCount = 0;
    for (s32 tile = 0; tile < Brisel_Renderer::PLANT_TILES; ++tile)
        PushFreeTile(tile);
}

void FreeShared()
{
    s_freeHead = 0;
    s_freeCount = 0;
    MEM_Free(s_table);
    s_table = nullptr;
}

u32 CurrentStep() { return Brisel_TheSimulation != nullptr ? Brisel_TheSimulation->stepCounter : 0u; }

// The column or row of the plant map for a grid cell: the remainder taken non-negative, so
// views over negative coordinates wrap like the others.
s32 Wrap(s64 _cell)
{
    const s64 remainder = _cell % NOD_FX_Plant::MAP_SIZE;
    return (s32)(remainder < 0 ? remainder + NOD_FX_Plant::MAP_SIZE : remainder);
}

// The cells the camera's view area covers, as spans of grid cells; 0 when the area cannot be
// scan-converted.
s32 ViewSpans(const VEC_Camera& _camera, MAT_Span* _spans)
{
    MAT_Point2D points[VEC_Camera::CORNER_COUNT];
    for (s32 k = 0; k < VEC_Camera::CORNER_COUNT; ++k) {
        points[k].x = _camera.GetWorldCorner(k).x;
        points[k].y = _camera.GetWorldCorner(k).y;
    }
    const s32 count = MAT_Polygon2D::Build(points, VEC_Camera::CORNER_COUNT, HULL_MARGIN);
    MAT_SpanRasterizer rasterizer;
    rasterizer.SetGrid(0, (f32)NOD_FX_Plant::CELL_SIZE, (f32)NOD_FX_Plant::CELL_SIZE, 0.0f, 0.0f);
    MAT_SpanEdge left[CHAIN_RECORDS];
    MAT_SpanEdge right[CHAIN_RECORDS];
    s32 converted = 0;
    if (count == 3)
        converted = rasterizer.RasterizeTriangle(points[0].x, points[0].y, points[1].x, points[1].y, points[2].x,
                                                 points[2].y, left, CHAIN_RECORDS, right, CHAIN_RECORDS);
    else if (count > 3)
        converted = rasterizer.RasterizePolygon(points, count, left, CHAIN_RECORDS, right, CHAIN_RECORDS);
    if (converted == 0)
        return 0;
    return MAT_SpanRasterizer::MergeEdgesMirrored(left, right, _spans, NOD_FX_Plant::MAX_SPANS);
}

// The columns of a span worth visiting: every map column once at most.
s32 SpanColumns(const MAT_Span& _span)
{
    if (_span.m_length <= 0)
        return 0;
    return _span.m_length < NOD_FX_Plant::MAP_SIZE ? _span.m_length : NOD_FX_Plant::MAP_SIZE;
}
}  // namespace

NOD_FX_Plant::NOD_FX_Plant()
{
    SetRenderBucket(PLANT_BUCKET);
    if (s_instances++ == 0)
        CreateShared();
}

NOD_FX_Plant::~NOD_FX_Plant()
{
    RetireAllCells();
    FreeMaps();
    ReleaseMesh();
    if (--s_instances == 0)
        FreeShared();
}

NOD_FX_Plant* NOD_FX_Plant::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_FX_Plant*>(_node);
}

const f32* NOD_FX_Plant::GetRandomTable() { return s_table; }
s32 NOD_FX_Plant::GetInstanceCount() { return s_instances; }
s32 NOD_FX_Plant::GetFreeTileCount() { return s_freeCount; }
s32 NOD_FX_Plant::GetFreeTile(s32 _index)
{
    return _index >= 0 && _index < s_freeCount ? s_freeTiles[(s_freeHead + _index) % TILE_QUEUE_SIZE] : -1;
}

void NOD_FX_Plant::ReleaseMesh()
{
    if (m_mesh != 0 && Brisel_TheCache != nullptr) {
        if (m_renderFast != 0)
            Brisel_TheCache->GetMeshCache()->Release(m_mesh);
        else
            Brisel_TheCache->GetVisualCache()->Release(m_mesh);
    }
    m_mesh = 0;
}

void NOD_FX_Plant::FreeMaps()
{
    delete m_plantMap;
    m_plantMap = nullptr;
    delete m_slotMap;
    m_slotMap = nullptr;
}

void NOD_FX_Plant::ParseIniFile_Des(DES_Section& _data)
{
    static const char* const WHERE = "NOD_FX_Plant::ParseIniFile()";
    const char* fileName = _data.GetFile() != nullptr ? _data.GetFile()->GetName() : "";
    DES_Section visual;
    if (_data.FindSection(&visual, "Visual") == 0)
        DES_FatalSection(WHERE, "Visual", fileName);

    // A second description replaces the first: its cells, maps and mesh go.
    RetireAllCells();
    FreeMaps();
    ReleaseMesh();

    char nameMesh[256] = {};
    visual.GetString("NameMesh", nameMesh, sizeof nameMesh);
    m_plantMap = new MOS_Map<u32>();
    m_plantMap->Reconstruct(MAP_SIZE, MAP_SIZE);
    m_slotMap = new MOS_Map<u8>();
    m_slotMap->Reconstruct(MAP_SIZE, MAP_SIZE);
    for (s32 i = 0; i < m_plantMap->m_count; ++i) {
        m_plantMap->m_cells[i] = 0;
        m_slotMap->m_cells[i] = NO_SLOT;
    }
    char plantMap[256] = {};
    visual.GetString("PlantMap", plantMap, sizeof plantMap);
    visual.GetFloat("MaxDistance", &m_maxDistance);
    visual.GetFloat("MinX", &m_minX);
    visual.GetFloat("MaxX", &m_maxX);
    visual.GetFloat("MinY", &m_minY);
    visual.GetFloat("MaxY", &m_maxY);
    visual.GetFloat("MinZ", &m_minZ);
    visual.GetFloat("MaxZ", &m_maxZ);
    visual.GetS32("RenderFast", &m_renderFast);

    if (Brisel_TheCache != nullptr) {
        if (m_renderFast != 0)
            m_mesh = Brisel_TheCache->GetMeshCache()->Allocate(nameMesh, 1);
        else
            m_mesh = Brisel_TheCache->GetVisualCache()->Allocate(nameMesh, 1);
    }

    GFX_PictureTGA picture;
    picture.Open(plantMap, 1);
    if (picture.GetWidth() != MAP_SIZE || picture.GetHeight() != MAP_SIZE)
        OS_Fatal("NOD_FX_Plant::ParseIniFile() - PlantMap must be 64x64", plantMap);
    // Bytes blue, green, red, alpha: on this little-endian machine each cell reads 0xAARRGGBB.
    picture.ReadData_BGRA8888(m_plantMap->m_cells, MAP_SIZE * 4, 1);
    m_lastUpdate = 0.0f;
}

void NOD_FX_Plant::HeartBeat()
{
    if (Brisel_TheSimulation == nullptr)
        return;
    const f32 now = SIM_GetSimulationClock().time;
    const NOD_Camera* cameraNode = NOD_Camera::DynamicCast(Brisel_TheSimulation->cameraNode);
    const bool jumped = cameraNode != nullptr && cameraNode->GetJumpFlag() != 0;
    if (!(m_lastUpdate + UPDATE_INTERVAL <= now) && !jumped)
        return;
    m_lastUpdate = now;
    if (Brisel_TheSimulation->camera != nullptr)
        UpdateCells(*Brisel_TheSimulation->camera);
}

void NOD_FX_Plant::UpdateCells(const VEC_Camera& _camera)
{
    if (m_plantMap == nullptr)
        return;
    const u32 step = CurrentStep();
    MAT_Span spans[MAX_SPANS];
    const s32 spanCount = ViewSpans(_camera, spans);

    for (s32 s = 0; s < spanCount; ++s) {
        const s32 row = Wrap(spans[s].m_row);
        for (s32 i = 0; i < SpanColumns(spans[s]); ++i) {
            const u8 slot = (*m_slotMap)[row][Wrap((s64)spans[s].m_x + i)];
            if (slot != NO_SLOT)
                m_cells[slot]->SetLastSeen(step);
        }
    }
    // Cells that left the view retire even when every slot is taken; only the activation
    // waits for a free one.
    RemoveStaleCells();

    const MAT_Vector3 eye = _camera.GetWorldTransform().t;
    const f32 reach = m_maxDistance + HALF_CELL_DIAGONAL;
    const f32 reachSquared = reach * reach;
    for (s32 s = 0; s < spanCount && m_activeCount < MAX_CELLS; ++s) {
        const s32 row = Wrap(spans[s].m_row);
        for (s32 i = 0; i < SpanColumns(spans[s]) && m_activeCount < MAX_CELLS; ++i) {
            const s32 column = Wrap((s64)spans[s].m_x + i);
            if ((*m_slotMap)[row][column] != NO_SLOT || ((*m_plantMap)[row][column] >> 24) == 0)
                continue;
            const f32 dx = eye.x - (f32)(column * CELL_SIZE + CELL_SIZE / 2);
            const f32 dy = eye.y - (f32)(row * CELL_SIZE + CELL_SIZE / 2);
            if (!(dx * dx + dy * dy <= reachSquared))
                continue;
            ActivateCell(column, row, step);
        }
    }
}

void NOD_FX_Plant::ActivateCell(s32 _column, s32 _row, u32 _step)
{
    s32 tile = -1;
    if (m_renderFast != 0) {
        tile = PopFreeTile();
        if (tile < 0)
            return;
    }
    FX_PlantCellSetup setup;
    setup.mesh = m_mesh;
    setup.column = _column;
    setup.row = _row;
    setup.pixel = (*m_plantMap)[_row][_column];
    const Brisel_Renderer* renderer = Brisel_Renderer::Get();
    setup.divisor = renderer != nullptr ? renderer->GetConfiguration().renderPlants : 1;
    setup.minX = m_minX;
    setup.maxX = m_maxX;
    setup.minY = m_minY;
    setup.maxY = m_maxY;
    setup.minZ = m_minZ;
    setup.maxZ = m_maxZ;
    FX_PlantCell* cell = new FX_PlantCell();
    // The cell is listed before it bakes its tile, so a fatal error there leaves nothing behind.
    m_cells[m_activeCount] = cell;
    (*m_slotMap)[_row][_column] = (u8)m_activeCount;
    ++m_activeCount;
    cell->SetLastSeen(_step);
    cell->Init(setup, s_table, TABLE_SIZE, tile);
}

void NOD_FX_Plant::RetireCell(s32 _index)
{
    FX_PlantCell* cell = m_cells[_index];
    (*m_slotMap)[cell->GetRow()][cell->GetColumn()] = NO_SLOT;
    if (cell->GetTile() >= 0)
        PushFreeTile(cell->GetTile());
    delete cell;
    --m_activeCount;
    m_cells[_index] = m_cells[m_activeCount];
    m_cells[m_activeCount] = nullptr;
    if (_index < m_activeCount)
        (*m_slotMap)[m_cells[_index]->GetRow()][m_cells[_index]->GetColumn()] = (u8)_index;
}

void NOD_FX_Plant::RetireAllCells()
{
    while (m_activeCount > 0)
        RetireCell(m_activeCount - 1);
}

void NOD_FX_Plant::RemoveStaleCells()
{
    const u32 step = CurrentStep();
    s32 index = 0;
    while (index < m_activeCount) {
        if (m_cells[index]->GetLastSeen() != step)
            RetireCell(index);  // the moved cell is examined next, at the same index
        else
            ++index;
    }
}

NOD_Message* NOD_FX_Plant::ProcessMessage(NOD_Message* _message)
{
    const u32 id = _message->GetType();
    if (id != NOD_Node_EnterSimulation::ID && id != NOD_Node_LeaveSimulation::ID)
        return NOD_Body::ProcessMessage(_message);
    delete _message;
    // The plant joins the renderer's list after its sons and leaves it before them.
    const u32 entering = id == NOD_Node_EnterSimulation::ID ? 1 : 0;
    if (!entering)
        m_permanent.SetInSimulation(this, 0);
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i) {
        NOD_Node* son = GetSon(i);
        if (son != nullptr)
            delete son->ProcessMessage(entering ? NOD_Node_EnterSimulation::Create()
                                                : NOD_Node_LeaveSimulation::Create());
    }
    if (entering)
        m_permanent.SetInSimulation(this, 1);
    return nullptr;
}

void NOD_FX_Plant::Render()
{
    const Brisel_Renderer* renderer = Brisel_Renderer::Get();
    if (m_activeCount == 0 || renderer == nullptr)
        return;
    const MAT_Vector3 eye = renderer->GetCamera().GetWorldTransform().t;
    struct Entry
    {
        FX_PlantCell* cell;
        f32 distance;
    };
    Entry order[MAX_CELLS];
    for (s32 i = 0; i < m_activeCount; ++i) {
        const MAT_AABox& box = m_cells[i]->GetBounds();
        const MAT_Vector3 centre = (box.m_min + box.m_max) * 0.5f;
        const MAT_Vector3 offset = centre - eye;
        order[i] = {m_cells[i], offset.x * offset.x + offset.y * offset.y + offset.z * offset.z};
    }
    std::stable_sort(order, order + m_activeCount,
                     [](const Entry& _a, const Entry& _b) { return _a.distance > _b.distance; });
    for (s32 i = 0; i < m_activeCount; ++i)
        order[i].cell->Render(m_maxDistance, s_table, TABLE_SIZE);
}

NOD_Replicator* NOD_FX_Plant::CreateReplicator() { return new NOD_SceneBodyReplicator(); }

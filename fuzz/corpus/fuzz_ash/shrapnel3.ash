[Visual]
{
    M0 = "a.msh"
    D0 = 50.5
}
[Shrapnel]
{
    NameMesh = "pieces.msh"
    NameTopology = "vfx\top\pieces.top"
    ShrapnelCount = 3
}

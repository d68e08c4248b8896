[Visual]
{
    M0 = "b.msh"
    D0 = 100.0
}
[Shrapnel]
{
    NameMesh = "b.msh"
    NameTopology = "vfx\top\joined.top"
    ShrapnelCount = 8
}

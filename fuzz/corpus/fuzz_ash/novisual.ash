[Shrapnel]
{
    NameMesh = "b.msh"
    NameTopology = "vfx\top\joined.top"
    ShrapnelCount = 127
}

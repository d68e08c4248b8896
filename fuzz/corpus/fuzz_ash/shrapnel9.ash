[Visual]
{
    M0 = "pieces.msh"
    D0 = 100.0
    M1 = "a.msh"
    D1 = 340282346638528859811704183484516925440.0
}
[Shrapnel]
{
    NameMesh = "pieces.msh"
    NameTopology = "vfx\top\pieces.top"
    ShrapnelCount = 9
}

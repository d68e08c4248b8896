[Visual]
{
    M0 = "a.msh"
    D0 = 100.0
    M1 = "b.msh"
    D1 = 300.0
    CMesh = "b.msh"
}

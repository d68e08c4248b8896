[Visual]
{
    M0 = "a.msh"
    D0 = 100.0
}

#include <Rt/Rt.h>
#include <cstdio>
int main() { RtLib::init(); std::printf("%s\n", Rt::resultDir().toStdString().c_str()); RtLib::fini(); }

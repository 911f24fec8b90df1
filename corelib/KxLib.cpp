#include "corelib/KxBuildInfo.h"

const char KxVersion::whatString[] = "@(#)Di80 8.0.0 (core library stand-in)";

namespace {
int g_initCount = 0;
}

void KxLib::init() { ++g_initCount; }
void KxLib::fini() { if (g_initCount > 0) --g_initCount; }
int KxLib::initCount() { return g_initCount; }

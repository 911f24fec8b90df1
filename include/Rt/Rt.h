#pragma once
// Everything a test library or driver program needs: the core library's
// classes and every public class of the framework.
#include "corelib/KxBuildInfo.h"
#include "corelib/KxByteStream.h"
#include "corelib/KxChron.h"
#include "corelib/KxErrorState.h"
#include "corelib/KxMath.h"
#include "corelib/KxNode.h"
#include "corelib/KxPartition.h"
#include "corelib/KxPlatform.h"
#include "corelib/KxRefCounted.h"
#include "corelib/KxStdError.h"
#include "corelib/KxString.h"
#include "corelib/KxVec.h"

#include "driver/Info.h"
#include "driver/Msg.h"
#include "env/GlobalStorage.h"
#include "env/RtLib.h"

#pragma once
// Everything a test library or driver program needs: the core library's
// classes and every public class of the framework.
#include <Rt/corelib/KxBuildInfo.h>
#include <Rt/corelib/KxByteStream.h>
#include <Rt/corelib/KxChron.h>
#include <Rt/corelib/KxErrorState.h>
#include <Rt/corelib/KxMath.h>
#include <Rt/corelib/KxNode.h>
#include <Rt/corelib/KxPartition.h>
#include <Rt/corelib/KxPlatform.h>
#include <Rt/corelib/KxRefCounted.h>
#include <Rt/corelib/KxStdError.h>
#include <Rt/corelib/KxString.h>
#include <Rt/corelib/KxVec.h>

#include <Rt/Checks.h>
#include <Rt/analysis/Analysis.h>
#include <Rt/driver/Info.h>
#include <Rt/driver/Msg.h>
#include <Rt/driver/TestDriver.h>
#include <Rt/driver/TestGroup.h>
#include <Rt/env/GlobalStorage.h>
#include <Rt/env/RtLib.h>
#include <Rt/report/FileStream.h>
#include <Rt/report/TestReporter.h>
#include <Rt/results/ErrorSummary.h>
#include <Rt/results/GlobalResults.h>
#include <Rt/results/RunObserver.h>
#include <Rt/testset/KxSimpleTraverser.h>
#include <Rt/testset/RtLibManager.h>
#include <Rt/testset/TestSet.h>
#include <Rt/testset/TestSetFactory.h>

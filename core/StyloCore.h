#pragma once

// Every public header of the platform-neutral core.

#include "core/engine/DocState.h"
#include "core/engine/EngineActivity.h"
#include "core/engine/EngineSnapshot.h"
#include "core/engine/ProgressLedger.h"
#include "core/engine/ReadError.h"
#include "core/engine/RelocationHint.h"
#include "core/engine/SessionEvent.h"
#include "core/engine/SessionPhase.h"
#include "core/engine/SessionStateMachine.h"
#include "core/engine/StopMetrics.h"
#include "core/engine/StopReason.h"
#include "core/engine/TargetExpectation.h"
#include "core/engine/VerificationOutcome.h"
#include "core/text/DecodingError.h"
#include "core/text/Homophones.h"
#include "core/text/PreparationError.h"
#include "core/text/PreparedText.h"
#include "core/text/TextPreparer.h"
#include "core/text/Utf16.h"

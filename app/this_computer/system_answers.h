#pragma once
// The running Windows' answers to what windows_facts.h asks.
#include "app/this_computer/windows_facts.h"

SystemAnswers TheSystemAnswers();

// The files the program reads as they are, kept in the source tree under tools/data (the
// script glue library). The build compiles them into the tools library, so that the generator
// writes a complete folder wherever it runs and tests can lay them out without the sources.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "tools_sample.h"

// Every file under tools/data as (path below the working directory, '/'-separated; bytes).
std::vector<std::pair<std::string, std::string>> TOOL_EmbeddedData();

// Writes them below _output.dir.
bool TOOL_SampleDataFiles(TOOL_SampleOutput& _output);

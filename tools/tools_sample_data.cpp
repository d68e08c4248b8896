#include "tools_sample_data.h"

#include "tools_sample_local.h"

bool TOOL_SampleDataFiles(TOOL_SampleOutput& _output) { return TOOL_SampleFiles(_output.dir, TOOL_EmbeddedData()); }

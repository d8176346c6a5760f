// Reading the parameter block into the main window and the commands that write it.
#pragma once
#include "device/main_model.h"
#include "device/parameter_block.h"

namespace tolvane {

// Fills rows 1 to 6 (identity, MAC, addresses) of the window from a block and
// stores the five device values.
void ApplyBlockFirstRows(MainModel& model, const ParameterBlock& block);
// Rows 7 to 10: stop values, station, the two list selections.
void ApplyBlockLastRows(MainModel& model, const ParameterBlock& block);

void UploadParameters(MainModel& model);
void ReadAfterConnect(MainModel& model);
void WriteShutdownParameters(MainModel& model);
void ModifyCommParameters(MainModel& model);
void DownloadNetworkConfiguration(MainModel& model);
void RestoreFactory(MainModel& model);

}  // namespace tolvane

// Reading the parameter block into the main window and the commands that write it.
#pragma once
#include "device/parameter_block.h"
#include "models/main_model.h"

namespace tolvane {

// Every device command needs a connected module; without one the user is told
// ("Please connect the device!") and false comes back.
bool RequireConnection(MainModel& model);

void UploadParameters(MainModel& model);
void ReadAfterConnect(MainModel& model);
void WriteShutdownParameters(MainModel& model);
void ModifyCommParameters(MainModel& model);
void DownloadNetworkConfiguration(MainModel& model);
void RestoreFactory(MainModel& model);

}  // namespace tolvane

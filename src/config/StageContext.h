#pragma once
// The stage context handed from the block diagram to the per-stage windows:
// which stage is current and the register addresses and label texts of its
// input connection and results windows. One process-wide instance of each.

#include <QString>
#include <array>
#include <cstdint>

namespace cv {

struct StageInputSetupRec {
    int16_t Cin0_6Address = 0x80;
    int16_t Cin7_13Address = 0x81;
    int16_t AfeOffsetAddress = 0x82;
    // 1 and 3 name the CIN(0-6) register, 2 and 4 the CIN(7-13) register,
    // 5 the AFE offset register.
    std::array<QString, 5> Labels;
};

struct StageResultsSetupRec {
    int16_t Stage = 0;
    int16_t SensitivityAddress = 0x83;
    int16_t OffsetLowAddress = 0x84;
    int16_t OffsetHighAddress = 0x85;
    int16_t OffsetHighClampAddress = 0x86;
    int16_t OffsetLowClampAddress = 0x87;
    int16_t SfAmbientAddress = 0xF1;
    std::array<QString, 20> Labels;
};

// The shared instances.
extern int16_t CurrentStage;
extern StageInputSetupRec StageInputSetup;
extern StageResultsSetupRec StageResultsSetup;

// The records as the stage buttons fill them for stage n (0..11).
StageInputSetupRec stageInputSetupFor(int stage);
StageResultsSetupRec stageResultsSetupFor(int stage);

// BoardStageSelect words written before a per-stage window opens.
int32_t inputWindowStageSelect(int stage);   // 0x0001, 0x8002, 0x8004, 0x0008 ...
int32_t resultsWindowStageSelect(int stage); // 1 << stage

} // namespace cv

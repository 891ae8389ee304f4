// Command ids of menu 128 and toolbar 128, and the control ids of the chart
// bar (template 103) and the search bar (template 157), named once.
#pragma once

namespace halden::ids {

// Bars and resources.
inline constexpr int kMainResource = 128;  // menu, toolbar, accelerators
inline constexpr int kChartBar = 103;
inline constexpr int kSearchBar = 157;

// File menu.
inline constexpr int kFileOpen = 57601;
inline constexpr int kSaveSpectraTxt = 32785;
inline constexpr int kSaveScreenBmp = 32817;
inline constexpr int kSave1nmStep = 32814;
inline constexpr int kSaveNormalized = 32818;
inline constexpr int kFilePrint = 57607;
inline constexpr int kFilePrintSetup = 57606;
inline constexpr int kFilePrintPreview = 57609;
inline constexpr int kLoadCalibration = 32811;
inline constexpr int kSaveCalibration = 32809;
inline constexpr int kSaveCalibrationToFlash = 32816;
inline constexpr int kRecentFile = 57616;
inline constexpr int kAppExit = 57665;

// Edit and View menus.
inline constexpr int kEditCopy = 57634;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;
inline constexpr int kViewChartBar = 32795;
inline constexpr int kXScaleWavenumber = 32806;
inline constexpr int kXScaleNm = 32807;
inline constexpr int kRange400To700 = 32801;
inline constexpr int kViewDatabase = 32824;
inline constexpr int kColorbar = 32825;
inline constexpr int kCcdCalibration = 32829;
inline constexpr int kViewColourRendition = 32830;  // the TM-30 panel; no item of menu 128
inline constexpr int kViewLight = 32831;            // the Light panel; no item of menu 128
inline constexpr int kSaveLightReport = 32832;      // the PDF light report; no item of menu 128
// Commands added to menu 128 beyond the original items.
inline constexpr int kViewCurveList = 32840;    // View, "Curve list": the dock of the chart's curves
inline constexpr int kRunStop = 32841;          // Acquisition, "Run / Stop": toggles the chart bar's Run
inline constexpr int kSaveSpectraCsv = 32842;   // File, "Save spectra, csv"
inline constexpr int kSaveSpectraJcamp = 32843; // File, "Save spectra, JCAMP-DX"

// Help and Calibration menus.
inline constexpr int kAbout = 32802;
inline constexpr int kCalibrationShift = 32800;
inline constexpr int kWavelengthCalibration = 32828;
inline constexpr int kPlasticCalibration = 32808;
inline constexpr int kXyzPlanckCalibration = 32813;
inline constexpr int kDataWithoutCalibration = 32821;

// Toolbar buttons.
inline constexpr int kSaveTxt = 32780;
inline constexpr int kSaveBmp = 32815;
inline constexpr int kLoadSpectra = 32799;
inline constexpr int kChooseSpectrometer = 32803;
inline constexpr int kSettings = 32771;
inline constexpr int kTriggerSettings = 32822;
inline constexpr int kXAutoscale = 32789;
inline constexpr int kYAutoscale = 32790;
inline constexpr int kXYAutoscale = 32792;
inline constexpr int kSetScale = 32794;
inline constexpr int kGetSourceSpectra = 32796;
inline constexpr int kLoadSourceSpectra = 32798;
inline constexpr int kBaselineCorrection = 32805;
inline constexpr int kSnapshot = 32819;
inline constexpr int kClearAll = 32820;
inline constexpr int kSearch = 32823;
inline constexpr int kFastAcquisition = 32793;

// Chart bar controls.
inline constexpr int kExposureEdit = 1008;
inline constexpr int kScansEdit = 1009;
inline constexpr int kBoxcarEdit = 1011;
inline constexpr int kExposureText = 1037;
inline constexpr int kFastBox = 1028;
inline constexpr int kAverageBox = 1029;
inline constexpr int kLogScaleBox = 1030;
inline constexpr int kAutoYBox = 1031;
inline constexpr int kSubtractBox = 1032;
inline constexpr int kGetBackground = 1034;
inline constexpr int kRunBox = 1035;
inline constexpr int kDiagramPlus = 1036;
inline constexpr int kDiagramMinus = 1038;
inline constexpr int kConcentration = 1039;
inline constexpr int kTransmittanceBox = 1040;
inline constexpr int kReflectanceBox = 1041;
inline constexpr int kAbsorbanceBox = 1042;
inline constexpr int kChromaticityBox = 1043;
inline constexpr int kGaussianAppr = 1044;
inline constexpr int kProgressBar = 1051;

// Search bar controls.
inline constexpr int kLoadDatabase = 1069;
inline constexpr int kMakeComparison = 1070;
inline constexpr int kDatabaseList = 1071;
inline constexpr int kDatabaseFolder = 1072;
inline constexpr int kNormalizeBox = 1073;

}  // namespace halden::ids

#pragma once

#include <QObject>

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void controlsOfTheForm();
  void tabOrder();
  void skinAndCompanionProgram();
  void picturePickerAndClear();
  void dropAndEditTheList();
  void audioPicker();
  void helpMenuOpensTheLinks();
  void aboutBoxCentredWithYearAndRights();
  void aboutBoxCentringArithmetic();
  void dialogsAndBoxesAreReadable();
  void saveDialogKindsAndExtensions();
  void unusableSettingsRefuseTheWindow();
  void programRefusesToStartWithoutSettings();
};

class RunControlTest : public QObject {
  Q_OBJECT
 private slots:
  void firstOutputWithoutLibraries();
  void optionStrings();
  void successfulStartAndARealRun();
  void runWithSoundAtAnotherRateAndSize();
  void pauseThenStop();
  void errorDuringRunShowsMessageBeforeFinalRecord();
  void refusedStarts();
  void valuesCheckedBeforeARun();
  void previewPlacedBesideTheWindow();
  void closingDuringARunLeavesAPlayableFile();
  void pictureSwitchesFromTheSettingsFile();
  void showFilesOpenRunAndSave();
};

// Dialog template and control ids.
#pragma once

enum DialogTemplateId {
  kDlgAddressAdapter = 101,
  kDlgConfirmTarget = 103,
  kDlgPassword = 104,
  kDlgConnecting = 105,
  kDlgUpload = 110,
  kDlgSuccess = 111,
  kDlgSuccessAlt = 113,
  kDlgWaiting = 114,
  kDlgWarning = 139,
  kDlgConfirmTransition = 304,
  kDlgAddressPhone = 305,
};

enum DialogControlId {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAddress = 1000,
  kIdSerialNumber = 1002,
  kIdUserName = 1003,
  kIdMacAddress = 1003,
  kIdSoftwareVersion = 1004,
  kIdHardwareVersion = 1005,
  kIdPassword = 1005,
  kIdProductName = 1006,
  kIdText = 1007,
  kIdHelpText = 1008,
  kIdProgress = 1010,
  kIdVersion = 1015,
  kIdLocalAddresses = 1017,
  kIdWarningText = 1021,
  kIdWaitingText = 1022,
};

constexpr int kProgramIconId = 286;

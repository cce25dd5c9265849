#include "ui/dialog_texts.h"

const char kWarningText[] =
    "WARNING: Forcing a firmware upgrade on your DUX\r\nwithout prior approval "
    "from your service provider or\r\nnetwork administrator may cause "
    "interruption to your\r\nservice.  If your DUX is managed by a "
    "service\r\nprovider who retains administrative control of the\r\ndevice, "
    "please contact the service provider for\r\nauthorization before "
    "proceeding.  In such cases, the\r\nmost current, approved for service "
    "firmware is\r\nautomatically provided by your service provider "
    "without\r\nany onus on the end user to upgrade manually.";

const char kAddressIntro[] =
    "This program will upgrade your DUX\r\nfirmware to:";

const char kPhoneHelp[] =
    "To proceed, please provide the IP address\r\nof your DUX. To find out the "
    "IP address of\r\nyour DUX, press the I button on the phone,\r\nselect "
    "\"Network\" option, and check the\r\nvalue of \"Current IP\". For "
    "example, 10.1.0.13\r\n\r\nPlease enter IP address of your DUX:";

const char kAdapterHelp[] =
    "To proceed, please provide the IP address\r\nof your DUX. To find out the "
    "IP address\r\nof your DUX, using a telephone handset,\r\nenter * * * *, "
    "option 110#, and write down\r\nthe value. For example, "
    "10.1.0.123\r\n\r\nPlease enter IP address of your DUX:";

const char kPasswordText[] =
    "This DUX requires a password in order to be\r\nupgraded. If you do not "
    "have administrator's\r\nprivileges for this unit, please contact "
    "your\r\nService Provider or network administrator,\r\nbefore "
    "proceeding.\r\n\r\nYou must provide the DUX administrator's\r\npassword "
    "to upgrade. If you are the administrator\r\nand forgot the password, you "
    "may perform a\r\nfactory reset by entering * * * *, option "
    "40615#,\r\nand value 1 from a telephone connected to the\r\nunit to be "
    "upgraded.\r\n\r\n* * * * * * * * * * *  Warning  * * * * * * * * * * "
    "*\r\nAll settings will revert to default values\r\nafter factory reset!  "
    "You may not be able to\r\nreestablish service after completing this "
    "upgrade\r\nwithout first reentering service configuration\r\ninformation.";

const char kConfirmIntro[] =
    "The following information was extracted\r\nfrom your DUX. Please click "
    "\"Upgrade\"\r\nif you would like to proceed. If you would\r\nlike to quit "
    "click \"Cancel\".";

const char kTransitionNote[] =
    "%s\r\n\r\nNote: Since your current firmware version\r\nis older than %s, "
    "this upgrade procedure\r\nrequires additional steps and will "
    "be\r\nslightly "
    "longer.\r\n";

const char kSuccessText[] =
    "Your DUX has been successfully\r\nupgraded to the version shown\r\nbelow.";

const char kWaitingHelpText[] =
    "Firmware upload will begin when the DUX is idle, where the DUX will "
    "request to download the firmware from this PC using TFTP at the first "
    "available UDP port starting at port number 69.\r\n\r\nIf firmware "
    "download does not start, please check that you have done the following: "
    "a) Hangup properly all the phones attached to the DUX, b) Disable any "
    "firewall software (such as Internet Connection Firewall) on this PC, and "
    "c) Make sure that this PC and the DUX are on the same LAN subnet; it will "
    "not work for example if this PC is behind a router while the DUX is in "
    "front of it.";

<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="en_US">
<context>
    <name>CBaseDialogClass</name>
    <message>
        <source>Dialog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CChannelPickerDialog</name>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CCopyBackUpTime</name>
    <message>
        <source>Copy plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please select destiny channel.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CCopyBackUpTimeClass</name>
    <message>
        <source>Choose which Plan to copy</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose All</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDeviceWriteThread</name>
    <message>
        <source>%1 is %2: only a regular file is read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is larger than %2 MiB: no device database is that large.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be read within %2 seconds.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import was stopped before the file was read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 does not answer: %2 was not read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is this station&apos;s own database, which the import does not read: choose a database of another station, or a copy.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgAbout</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgAboutClass</name>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Varrow software V2.00.00.04</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgAddDevice</name>
    <message>
        <source>Method</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>FlowCtrl(KB/S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Domain Mode</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Domain:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Address:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Domain is wrong</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device with the same name has been added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device with the same address and port has been added</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device has reach maximum number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save device failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Log in failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Device is used in Schedule, Are you sure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify device failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nick name cannot be empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nick name is Invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Address can not be empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Address is Invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Domain can not be empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User name cannot be empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User name cannot contain the following symbol (&apos;).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User name is too long.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password cannot be empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password cannot contain the following symbol (&apos;).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password is too long.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port No. ranges from 1 to 65535.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connecting to the device...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The device numbers a channel above 32767, which cannot be stored.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgCfgDevice</name>
    <message>
        <source>Device list</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Read From DataBase</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>IP Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Flowctrl(KB/S)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exceed the maximum device number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sure to delete Device？</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Device is used in Schedule, Are you sure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete device failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Spreadsheet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DataBase files (*.db)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search...</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n device(s) added.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Read Database succeed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n row(s) with wrong fields skipped.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n device(s) not added: already added or log in failed.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Read Database failed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file is not a device database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>Import stopped: %n row(s) left.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>No free device place left: %n row(s) not imported.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgCfgPlan</name>
    <message>
        <source>Add Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Confirm to Delete Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> had been added other Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel number must less than 32</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sure to delete?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Schedule has been copied successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify Schedule need to reboot Backup,Are you sure?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The schedules could not be saved to the database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config backup Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule Begin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duration</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Begin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Whole Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thusday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Friday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>hours</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>days ago</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>all</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>WholeWeek</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>file starttime and file endtime conflict at Schedule </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule starttime and file endtime conflict at Schedule </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>At Schedule </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> The Schedule End Time of </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> is later than the Schedule start time of </source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgCfgPlanClass</name>
    <message>
        <source>CDlgCfgPlan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete Camera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Choose Camera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Schedule</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgCfgSystem</name>
    <message>
        <source>  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Free Space</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (not found)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A disk is a folder: a line such as &quot;D=/srv/backup1&quot; in %1 makes it one (the program then writes into its Records folder). Fixed volumes are listed there by themselves.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>User name cannot be empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please Select Disk!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Modify Disk need to reboot Backup,Are you sure?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The settings could not be saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Change Disk Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The text is too long</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SMTP port No. ranges from 1 to 65535.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Email Test</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This is a test email send by Quesselkit,Test email has send successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send test mail successfully</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Send test mail failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The automatic start could not be set up. The other settings were saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server&apos;s address or the port cannot be used.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user name, the sender&apos;s or the receiver&apos;s address is longer than %1 bytes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail cannot be built from these settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server&apos;s name cannot be found.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server cannot be reached on this port.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server did not answer in time.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server refused the login: check the sender&apos;s address and the password.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server refused the sender&apos;s address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail server refused the receiver&apos;s address.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server offers an encrypted connection, but it could not be made, so the login was not sent.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection to the mail server broke.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The mail could not be sent.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (does not answer)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading the disks...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (not read)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgChooseChannel</name>
    <message>
        <source>Choose Channel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgChooseChannelClass</name>
    <message>
        <source>Choose channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgManualBackup</name>
    <message>
        <source>Manual Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The end time is earlier than start time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exceed the maximum camera number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please Select Disk!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>None camer was selected</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgManualBackupClass</name>
    <message>
        <source>File Start Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File End Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Camers:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Chang to auto backup after manual backup finished</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgModGroupName</name>
    <message>
        <source>Modify Plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copy Channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule name cannot be empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nick name is Invalid.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the Schedule is exist</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exceed the maximum schedule number.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgModGroupNameClass</name>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgSet</name>
    <message>
        <source>Config</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CDlgSetClass</name>
    <message>
        <source>CDlgSet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>General</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CExecuteThread</name>
    <message>
        <source>in %1 was refused: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup stopped: the record disks are full: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Skip Download </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reconnect </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Failed. Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download File Exceptional.Reconnect </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup stopped: a record disk cannot be used. </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the storage refused its record (code %3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot take its name: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: its record file %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder vouches for no size of it, and the disks have no free room for it (no recording is deleted for it)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder sent more than the %3 bytes it announced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder announced no size and sent more than the %3 bytes its time range can hold</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: the recorder sent nothing new for %3 s and never ended the play-back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download of %1 %2 given up: its play-back was started anew %3 times and never ended</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads from %1 given up: the recorder sent more than it announced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloads from %1 given up: the recorder announced no size and sent more than the time range can hold</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CExportRecord</name>
    <message>
        <source>Export Record Files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Path to save record files</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The path is empty</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CExportRecordClass</name>
    <message>
        <source>File Path:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLogBackup</name>
    <message>
        <source>Backup Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select Log Backup File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>XML(*.xml)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The path is empty</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLogSearchThread</name>
    <message>
        <source>Start SoftWare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop SoftWare</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Manual Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Manual Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config Plan</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config Disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config Group</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device Reconnect Exception</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Write File Exception</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect to Device Exception</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overwrite Records</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLogTypeModel</name>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exception Log</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CLogWriteThread</name>
    <message>
        <source>%1 is %2: only a regular file is replaced. Nothing was written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 does not answer: nothing was written there.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>COmbrixApplication</name>
    <message>
        <source>Software is already running.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The least resolution is 1024*768.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPageInfo</name>
    <message>
        <source>Previous</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Next</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CPathComboBox</name>
    <message>
        <source>Select Directory</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CProgress</name>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CRecordPlayer</name>
    <message>
        <source>the player %1 could not be started</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSearchLog</name>
    <message>
        <source>Backup failed. An earlier file of that name is kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Operation Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Contents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The start time should before the end time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You can only search log within 30 days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The log table is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name cannot be empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Writing...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open file failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup successful</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup stopped. No file was written.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSearchLogClass</name>
    <message>
        <source>Start time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Result:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CSysInfoManage</name>
    <message>
        <source>Log in </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device %1  %2 refused: its channel number %3 is out of range</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CThreadExportFile</name>
    <message>
        <source>%1 cannot be exported.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has no place in the export folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written to %2: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder %1 belongs to another user (user id %2), and the export writes only into folders of its own user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>other users may write to the folder %1, and the export writes into no such folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the export folder %1 cannot be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the export folder %1 belongs to another user (user id %2), and the export writes only into folders of its own user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the export folder %1 is open to other users&apos; writes and has no sticky bit, so they could replace what is exported there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written to %2: the volume of the export folder %3 does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: the folder %2 of its disk does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CVarrow</name>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sure to close software</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Close Software</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CViewRecord</name>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Camera Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Start Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File End Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Size</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Playback</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Path</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The end time is earlier than start time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please search record data no more than 3 days</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record file was selected!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Exporting...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export failed!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Success</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export successful</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No player is set, and the desktop has no program to open the record. Put a player named Vidrun beside Varrow, as the README says.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The player %1 could not be started. Put a player named Vidrun beside Varrow, as the README says.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 stopped abnormally</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 ended with status %2 (%3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The desktop could not open the record %1: %2. Put a player named Vidrun beside Varrow, as the README says.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it was called wrongly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the record file is not there</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no program is set to open this kind of file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the program for this kind of file failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an unknown failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record is not played: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not exported: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>%n more file(s) not exported.</source>
        <translation type="unfinished">
            <numerusform></numerusform>
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Export stopped. The files copied before stay in the folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tick a channel under Cameras to search its records.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record found on the disks that could be searched.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record found in this range.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Not searched: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Only the first %1 records found are listed. Search a shorter range or fewer channels to see the others.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Also listed: the records on Disk %1 (%2), which is no longer chosen for recording.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record found before the search was stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The search was stopped: only the records found before are listed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record is not played: the folder %1 of its disk does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Opening the record...</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CViewRecordClass</name>
    <message>
        <source>CViewRecord</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cameras</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search Result</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record found in this range.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CViewState</name>
    <message>
        <source>Confirm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sure to stop backup?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch to automatic backup mode will stop manual backup, Sure to Switch?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop Manual BackUp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual BackUp Completed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record disks are full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record disks are full: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Week</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device IP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Detail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual Backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Monday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Friday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Switch to manual backup mode will stop automatic backup, Sure to Switch?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Manual BackUp</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>channel %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual BackUp ended without these channels: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backups wait for the record disk. </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record disks are ready; the backups go on.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ClientConfigManager</name>
    <message>
        <source>it is not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is larger than %1 KiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The start-up settings %1 were not read (%2); the defaults apply.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DeviceErrors</name>
    <message>
        <source>no error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>wrong user name or password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the device layer is not started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder has no such channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder cannot be reached</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>sending to the recorder failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the connection to the recorder broke</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder did not answer in time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder&apos;s answer cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a call out of order</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a wrong parameter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the session was already closed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder does not support this</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder no longer knows the session</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the recorder refused the request</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no recording in the range</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>too many sessions are open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the picture cannot be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The user name or the password is wrong.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recorder cannot be reached: check its address, its port and the network.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recorder did not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The recorder refused the log in: error %1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DlgCfgSystem</name>
    <message>
        <source>DlgCfgSystem</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parameter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto Reboot</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OS username</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OS Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk Allocate</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>When backup space is not enough</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Override</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Enable Mail</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reconnect</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>reconnect times when start backup</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Receiver Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deliver Server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Sender&apos;s Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Username</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Password</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test Connection</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FileKind</name>
    <message>
        <source>a file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a link</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a named pipe</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a device</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a socket</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>MainDb</name>
    <message>
        <source>user id %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a link to %2, which leads nowhere</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a file of another user: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a link to %2, %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file cannot be reached: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file is a link to %1, which cannot be reached: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file is empty</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file is read-only</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 File</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Disk %1: the folder %2 takes records again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. A disk counts as full while less than %2 MB is free on it: that much is kept free on every disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 cannot be made durable: %2. Its record is kept, but not counted as stored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Varrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Create Storage Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>.Please check and clear the local disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 has no folder. Give it one with a line &quot;%1=/path/to/folder&quot; in %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 does not exist (is its volume mounted?).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 cannot be written: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Software</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Get Backup Task Work List Failed.Connect Device </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Error:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Tolvarin</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>_IPCamera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>_Camera</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Motion Detection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Alarm</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual Record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Execution State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Schedule Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current Backup Channel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Complete(MB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Total(MB)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Current File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>End Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database cannot be used. The file was left as it is:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File of %1 skipped: its times %2 are no range</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Search of %1 given up: the recorder was still searching after %2 s</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 more files of %2 skipped: their times are no range</source>
        <translation></translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is larger than %1 KiB</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The disk map %1 cannot be read: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 has no folder. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: no volume is mounted at the folder %2 (is its volume mounted?).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is a link, and links below a disk&apos;s folder are never followed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>recorder %1, channel %2, %3 to %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A link below a record disk&apos;s folder is left alone: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records deleted to make room (overwrite): %1, %2 MB.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records in %1 cannot be deleted to make room: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleted to make room: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The other disks take the records.</source>
        <translation></translation>
    </message>
    <message>
        <source>To start with empty settings, move the file away and start the program again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The database cannot be created; nothing was left behind:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backups wait for this disk and start once it is there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No record disk is chosen.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The record disks are not set up yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a named pipe, not a record file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a device, not a record file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a folder, not a record file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a regular file, not a record file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: a link stands at %2, and no link is followed below a record disk&apos;s folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be opened: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not the path of a stored record.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the folder %2 belongs to another user, and no such folder is used below a record disk&apos;s folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: other users may write to the folder %2, and no record is taken from such a folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a link, and no link is followed below a record disk&apos;s folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 belongs to another user (user id %3); the station uses only folders of its own user there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: other users may write to the folder %2 (a volume without owners must be mounted for the station&apos;s user, with no write for others).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 was open to other users; it is closed to them now, with every record below it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 is open to other users and cannot be closed to them: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its volume keeps the modes its mount gives</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 had gone; it was made again, and the records stored in it before are no longer found there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1 leads to the same folder as disk %3 (%2); the two are used as one disk.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is no longer the folder that was set up (it was moved away, and a link or another folder stands in its place); it is not written until that folder is back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A folder of another user below a record disk&apos;s folder is left alone: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeated once: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Repeated %1 times: </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A link below the record disk&apos;s folder %1 is left alone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A folder of another user below the record disk&apos;s folder %1 is left alone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Records below the record disk&apos;s folder %1 cannot be deleted to make room</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the folder %1 is not closed to other users, and no private copy is made there.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be made: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be made: the record&apos;s volume does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The folder %1 does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 does not answer.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its Records folder holds the mark of another disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>its Records folder, or the mark in it, is not the station&apos;s own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a link stands in its place, and what it leads to holds no mark of that disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it holds no Records folder with the mark of that disk</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is not the disk that was set up there (%3); it is neither written nor searched until that disk is back, or the disk is chosen again in the disk settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is taken as the disk, as it was chosen again in the disk settings.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>every user</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the users of the group %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 lies in %3, where %4 may move it away and put another in its place (that folder has no sticky bit). Such a folder is not taken for the disk, but the disk is then missing: keep it in a folder only the station&apos;s user may change.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disk %1: the folder %2 is full, and deleting records frees no room there (a recycle bin or snapshots keep the files).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The copy %1 of the record %2, stored earlier on another disk, was deleted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>To use this folder as the disk instead, untick the disk in the disk settings, tick it again and press OK.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UiLogBackup</name>
    <message>
        <source>File Path:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>VarrowClass</name>
    <message>
        <source>Varrow</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View State</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Record File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>View Log</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Config</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Network :</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ViewStateClass</name>
    <message>
        <source>Dialog</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Execution State:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The backup with red schedule and channel name is overdue</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Event Information:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Auto</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Manual</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Channel backup process will take up device connection number and bandwidth.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Details       </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Mode:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Duration:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download Schedule Number:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Today Total Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Today Complete Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Today Complete Percent:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overdue Total Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overdue Complete Size:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Overdue Complete Percent:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Details</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Start Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File End Time:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Type:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Backup Channel:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>

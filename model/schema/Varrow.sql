-- The tables of Varrow.db. Tables read with SELECT * keep their columns in this order.
CREATE TABLE IF NOT EXISTS Device_Table (
    DeviceID INTEGER PRIMARY KEY,
    IsUsed INTEGER NOT NULL DEFAULT 0,
    DeviceIP TEXT NOT NULL DEFAULT '',
    DeviceName TEXT NOT NULL DEFAULT '',
    Username TEXT NOT NULL DEFAULT '',
    Password TEXT NOT NULL DEFAULT '',
    Port INTEGER NOT NULL DEFAULT 0,
    ConnectMode INTEGER NOT NULL DEFAULT 0,
    Domain TEXT NOT NULL DEFAULT '',
    FlowCtrlValue INTEGER NOT NULL DEFAULT -1,
    StartIP INTEGER NOT NULL DEFAULT -1
);

-- GroupPos and ManualPos keep a channel's place in its plan's list and in the manual list: saved task lists
-- name channels by that place. A recorder may number its IP channels like its analog ones, so the kind of
-- channel is part of the key.
CREATE TABLE IF NOT EXISTS Camera_Table (
    DeviceID INTEGER NOT NULL,
    CameraIndex INTEGER NOT NULL,
    IsAddToGroup INTEGER NOT NULL DEFAULT 0,
    GroupID INTEGER NOT NULL DEFAULT -1,
    IsAddToManual INTEGER NOT NULL DEFAULT 0,
    IsIP INTEGER NOT NULL DEFAULT 0,
    GroupPos INTEGER NOT NULL DEFAULT -1,
    ManualPos INTEGER NOT NULL DEFAULT -1,
    PRIMARY KEY (DeviceID, IsIP, CameraIndex)
);
CREATE INDEX IF NOT EXISTS Camera_Table_GroupID ON Camera_Table (GroupID);

CREATE TABLE IF NOT EXISTS Group_Table (
    GroupID INTEGER PRIMARY KEY,
    IsUsed INTEGER NOT NULL DEFAULT 0,
    GroupName TEXT NOT NULL DEFAULT ''
);

CREATE TABLE IF NOT EXISTS ScheduleWeekday_Table (
    GroupID INTEGER NOT NULL,
    IsEanbel INTEGER NOT NULL DEFAULT 0,
    Weekday INTEGER NOT NULL DEFAULT -1,
    TaskStartTime TEXT NOT NULL DEFAULT '18:0:0',
    Duration INTEGER NOT NULL DEFAULT 6,
    FileDate INTEGER NOT NULL DEFAULT 1,
    FileStartTime TEXT NOT NULL DEFAULT '0:0:0',
    FileEndTime TEXT NOT NULL DEFAULT '23:59:59',
    FileType INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS ScheduleWeekday_Table_GroupID ON ScheduleWeekday_Table (GroupID);

CREATE TABLE IF NOT EXISTS ScheduleManul_Table (
    FileStartTime TEXT NOT NULL,
    FileEndTime TEXT NOT NULL,
    FileType INTEGER NOT NULL DEFAULT 255,
    IsChange INTEGER NOT NULL DEFAULT 0
);

CREATE TABLE IF NOT EXISTS SystemConfig_Table (
    IsAutoRun INTEGER NOT NULL DEFAULT 0,
    OSUsername TEXT NOT NULL DEFAULT '',
    OSPassword TEXT NOT NULL DEFAULT '',
    BackupMode INTEGER NOT NULL DEFAULT 0,
    DiskMode INTEGER NOT NULL DEFAULT 0,
    Disk TEXT NOT NULL DEFAULT '',
    IsEnableEmail INTEGER NOT NULL DEFAULT 0,
    ReconnetNum INTEGER NOT NULL DEFAULT 9
);

-- The mark each disk letter's Records held when the station set it up at the letter's folder: the disk is
-- the folder that holds it. An empty mark: the operator chose the letter again, and the folder then found
-- is taken. A letter given another folder since is a new choice.
CREATE TABLE IF NOT EXISTS DiskMark_Table (
    Letter TEXT PRIMARY KEY,
    Folder TEXT NOT NULL DEFAULT '',
    Mark TEXT NOT NULL DEFAULT ''
);

CREATE TABLE IF NOT EXISTS Mail_Table (
    SMTPAddr TEXT NOT NULL DEFAULT '',
    MailFrom TEXT NOT NULL DEFAULT '',
    MailTo TEXT NOT NULL DEFAULT '',
    MailCc TEXT NOT NULL DEFAULT '',
    MailName TEXT NOT NULL DEFAULT '',
    MailPassword TEXT NOT NULL DEFAULT '',
    Body TEXT NOT NULL DEFAULT '',
    Subject TEXT NOT NULL DEFAULT '',
    SMTPPort INTEGER NOT NULL DEFAULT 25
);

CREATE TABLE IF NOT EXISTS Log_Table (
    LogTime TEXT NOT NULL,
    LogType INTEGER NOT NULL,
    LogSubType INTEGER NOT NULL,
    LogContents TEXT NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS Log_Table_LogTime ON Log_Table (LogTime);

CREATE TABLE IF NOT EXISTS TaskInfo_Table (
    TaskTime TEXT NOT NULL,
    GroupID INTEGER NOT NULL,
    CameraIndex INTEGER NOT NULL,
    DownloadState INTEGER NOT NULL DEFAULT 0,
    TotalChannelSize INTEGER NOT NULL DEFAULT 0,
    IsPast INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS TaskInfo_Table_List ON TaskInfo_Table (GroupID, IsPast);

CREATE TABLE IF NOT EXISTS FileInfo_Table (
    FileStartTime TEXT NOT NULL,
    FileStopTime TEXT NOT NULL,
    FileType INTEGER NOT NULL DEFAULT 0,
    DownloadState INTEGER NOT NULL DEFAULT 0,
    FileSize INTEGER NOT NULL DEFAULT 0,
    GroupID INTEGER NOT NULL,
    CameraIndex INTEGER NOT NULL,
    IsPast INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS FileInfo_Table_Task ON FileInfo_Table (GroupID, CameraIndex, IsPast);

-- Default rows: each statement runs only when its table was created in the same opening.
INSERT INTO SystemConfig_Table (IsAutoRun, OSUsername, OSPassword, BackupMode, DiskMode, Disk, IsEnableEmail,
                                ReconnetNum)
    SELECT 0, '', '', 0, 0, '', 0, 9 WHERE NOT EXISTS (SELECT 1 FROM SystemConfig_Table);
INSERT INTO Mail_Table (SMTPAddr, MailFrom, MailTo, MailCc, MailName, MailPassword, Body, Subject, SMTPPort)
    SELECT '', '', '', '', '', '', '', '', 25 WHERE NOT EXISTS (SELECT 1 FROM Mail_Table);

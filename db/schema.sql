-- Production database of the Tarvik 504 programming station: the tables and
-- columns the station reads and writes, and nothing more.
--
-- For the factory's database administrator: the station works against the
-- factory's existing SQL Server database through the ODBC data source named
-- "Electrometer" (server, database and credentials belong to the data
-- source; the station never asks for a login). This file tells which
-- tables and columns must exist there and what the station expects of them;
-- further columns and tables may exist, as long as every column that the
-- station does not fill has a default. The station also calls getdate().
--
-- The file itself is written for MariaDB, which the station's tests and its
-- demonstration run as a private server (scripts/test-db.sh). The types
-- correspond to SQL Server's as follows: INT = int, BOOLEAN = bit (the station
-- reads 0/1), DOUBLE = float, DATETIME(3) = datetime, VARCHAR = varchar.
-- The server must compare names of tables and texts without regard to case,
-- as SQL Server's usual collations do.
--
-- Identifiers of rows the station only reads are the factory's keys; the
-- station reads a missing or NULL identifier as "not found". Identifiers of
-- rows the station inserts are assigned by the database (identity columns).

-- Workstation, operator and installation --------------------------------

-- One row per workstation: its network name (the station sends at most 16
-- characters of it).
CREATE TABLE computer (
  computer_id INT NOT NULL PRIMARY KEY,
  name        VARCHAR(50) NULL
);

-- Operators: login = the operating-system user name (at most 16 characters);
-- only rows with operating = 1 may work.
CREATE TABLE operator (
  person_id INT NOT NULL PRIMARY KEY,
  login     VARCHAR(50) NULL,
  operating INT NULL
);

-- Installations: the programming station of a workstation has type_id = 3.
CREATE TABLE plant (
  plant_id    INT NOT NULL PRIMARY KEY,
  type_id     INT NULL,
  computer_id INT NULL
);

-- Meters and operation records ---------------------------------------------

-- The register of meters: number = serial number, type_id = 48 for this
-- meter model.
CREATE TABLE electrometer (
  electro_id INT NOT NULL PRIMARY KEY,
  number     INT NULL,
  type_id    INT NULL,
  KEY electrometer_number (number, type_id)
);

-- One row per recorded programming run (type_id = 3); success = the meter's
-- clock drift was within limits.
CREATE TABLE operation (
  operation_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  type_id      INT NULL,
  electro_id   INT NULL,
  plant_id     INT NULL,
  person_id    INT NULL,
  success      BOOLEAN NULL,
  KEY operation_electro (electro_id),
  KEY operation_plant (plant_id)
);

-- The values read from and written into the meter by one run. Columns that
-- the run did not set are NULL.
CREATE TABLE set_tarvik (
  operation_id INT NOT NULL PRIMARY KEY,
  version      VARCHAR(10) NULL,   -- software version, e.g. "2.15"
  el_type      VARCHAR(20) NULL,   -- e.g. "Тарвик 504.01"
  address      INT NULL,           -- new bus address
  baud         VARCHAR(6) NULL,    -- new speed, e.g. "9600"
  turn_on      VARCHAR(20) NULL,   -- working time, e.g. "1д.01:01:01"
  status       INT NULL,           -- clock fault bits 0x10, 0x20, 0x40
  date_time    DATETIME(3) NULL,   -- time written into the meter
  summer       BOOLEAN NULL,       -- daylight-saving switch-over
  check_sum    INT NULL,           -- tariff schedule checksum
  pass         VARCHAR(6) NULL,    -- new write password
  t            DOUBLE NULL,        -- sum of the eight tariff registers
  count_day    INT NULL,           -- billing day
  count_hour   INT NULL,           -- billing hour
  ncorrect     INT NULL,
  time_integ   INT NULL,           -- load-profile period
  ddm_a        INT NULL,
  ddm_b        INT NULL,
  ddm_c        INT NULL,
  mode_tarif   INT NULL,
  secperday    DOUBLE NULL         -- clock drift, seconds per day
);

-- The RF-PLC identity given to a meter numbered at this station.
CREATE TABLE set_pk (
  operation_id INT NOT NULL PRIMARY KEY,
  version      VARCHAR(10) NULL,
  plm_group    INT NULL,
  plm_address  INT NULL,
  plm_number   INT NULL,
  KEY set_pk_number (plm_number)
);

-- Route sheets ---------------------------------------------------------------

-- Configurations (workplace roles) held by operators; the programming
-- workplace is config_id = 11.
CREATE TABLE config_operator (
  config_operator_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  person_id INT NULL,
  config_id INT NULL
);

-- Operation types performed by each configuration.
CREATE TABLE config_operation (
  config_operation_id   INT NOT NULL PRIMARY KEY,
  config_id             INT NULL,
  type_operation_msl_id INT NULL
);

CREATE TABLE type_operation_msl (
  type_operation_msl_id INT NOT NULL PRIMARY KEY,
  name_operation        VARCHAR(100) NULL
);

-- Meter product names; a route sheet refers to one.
CREATE TABLE name_electro (
  name_electro_id INT NOT NULL PRIMARY KEY
);

-- The route sheet of a batch.
CREATE TABLE JournalMsl (
  JournalMsl_id   INT NOT NULL PRIMARY KEY,
  name_electro_id INT NULL
);

-- A sheet's route type, status and flags. The station admits meters only
-- to a sheet with the status "Ожидает работы", archive = 0 and active = 1.
CREATE TABLE msl_info (
  msl_info_id    INT NOT NULL PRIMARY KEY,
  JournalMsl_id  INT NULL,
  type_route_id  INT NULL,
  type_status_id INT NULL,
  archive        BOOLEAN NULL,
  active         BOOLEAN NULL
);

CREATE TABLE type_status (
  type_status_id INT NOT NULL PRIMARY KEY,
  name_status    VARCHAR(50) NULL
);

-- The steps of a route type: Srun = step number; Frun = an operation record
-- is written for the step.
CREATE TABLE route (
  route_id              INT NOT NULL PRIMARY KEY,
  type_route_id         INT NULL,
  Srun                  INT NULL,
  Frun                  BOOLEAN NULL,
  type_operation_msl_id INT NULL
);

-- The meters of a sheet: Fbad 0 = good, 1 = rejected; msl_id = the operation
-- record the meter stands at.
CREATE TABLE MslElectro (
  MslElectro_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  JournalMsl_id INT NULL,
  electro_id    INT NULL,
  Fbad          INT NULL,
  msl_id        INT NULL,
  KEY mslelectro_electro (electro_id)
);

-- The operation records of a sheet: open while state_operation = 0. The
-- dates as text are "dd.mm.yy".
CREATE TABLE msl_ (
  msl_id          INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  JournalMsl_id   INT NULL,
  route_id        INT NULL,
  entry           INT NULL,
  good            INT NULL,
  bad             INT NULL,
  date_time_start VARCHAR(8) NULL,
  user_id         INT NULL,
  state_operation BOOLEAN NULL,
  dt_start        DATETIME NULL,
  date_time_stop  VARCHAR(8) NULL,
  person_id       INT NULL,
  dt_stop         DATETIME NULL,
  KEY msl_sheet (JournalMsl_id)
);

-- A workplace's registration on a sheet for its open operation, and the
-- meters of it not yet judged, judged good and judged bad.
CREATE TABLE RegMsl (
  RegMsl_id     INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  person_id     INT NULL,
  plant_id      INT NULL,
  JournalMsl_id INT NULL,
  EntryEl       INT NULL
);

CREATE TABLE RegMslEntry (
  RegMslEntry_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  RegMsl_id      INT NULL,
  electro_id     INT NULL
);

CREATE TABLE RegMslGood (
  RegMslGood_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  RegMsl_id     INT NULL,
  electro_id    INT NULL
);

CREATE TABLE RegMslBrak (
  RegMslBrak_id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  RegMsl_id     INT NULL,
  electro_id    INT NULL
);

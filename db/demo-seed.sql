-- A small production database for trying the station's database mode
-- without a factory (scripts/demo-db.sh) and for the command line's
-- end-to-end tests. Loaded with the mariadb client into the private server
-- of scripts/test-db.sh, after two variables have been set:
--
--   SET @computer_name = 'short-host-name';   -- this workstation
--   SET @operator_login = 'user-name';        -- the operator at it
--
-- What it holds (the tables are emptied first, so it can be loaded again):
--   - workstation 1 named @computer_name, installation 4 of type 3 on it;
--   - operator 11 with login @operator_login, active, holding the
--     programming configuration 11, which performs operation type 5
--     ("Программирование"); type 6 ("Упаковка") belongs to another workplace;
--   - meters of type 48: 123456 (the built-in and the tarvik-sim meter's
--     serial), 123457, 123458, and 200037, a meter that gets its serial
--     number at this station; 777777 is a meter of another type;
--   - route type 7: step 1 programming, step 2 packing;
--   - route sheet 20, waiting for programming: 123456, 123457 and 123458
--     entered its open operation 40 (step 1), so programming one of them
--     registers it, and the third one programmed closes the operation and
--     opens packing;
--   - route sheet 21, waiting for programming with 200037 alone: numbering
--     and programming it closes operation 41 and opens packing at once.

DELETE FROM computer;
DELETE FROM operator;
DELETE FROM plant;
DELETE FROM electrometer;
DELETE FROM operation;
DELETE FROM set_tarvik;
DELETE FROM set_pk;
DELETE FROM config_operator;
DELETE FROM config_operation;
DELETE FROM type_operation_msl;
DELETE FROM name_electro;
DELETE FROM JournalMsl;
DELETE FROM msl_info;
DELETE FROM type_status;
DELETE FROM route;
DELETE FROM MslElectro;
DELETE FROM msl_;
DELETE FROM RegMsl;
DELETE FROM RegMslEntry;
DELETE FROM RegMslGood;
DELETE FROM RegMslBrak;

INSERT INTO computer(computer_id, name) VALUES (1, @computer_name);
INSERT INTO plant(plant_id, type_id, computer_id) VALUES (4, 3, 1);
INSERT INTO operator(person_id, login, operating) VALUES (11, @operator_login, 1);

INSERT INTO config_operator(person_id, config_id) VALUES (11, 11);
INSERT INTO type_operation_msl(type_operation_msl_id, name_operation) VALUES (5, 'Программирование');
INSERT INTO type_operation_msl(type_operation_msl_id, name_operation) VALUES (6, 'Упаковка');
INSERT INTO config_operation(config_operation_id, config_id, type_operation_msl_id) VALUES (1, 11, 5);
INSERT INTO config_operation(config_operation_id, config_id, type_operation_msl_id) VALUES (2, 12, 6);

INSERT INTO electrometer(electro_id, number, type_id) VALUES (100, 123456, 48);
INSERT INTO electrometer(electro_id, number, type_id) VALUES (101, 123457, 48);
INSERT INTO electrometer(electro_id, number, type_id) VALUES (102, 123458, 48);
INSERT INTO electrometer(electro_id, number, type_id) VALUES (104, 200037, 48);
INSERT INTO electrometer(electro_id, number, type_id) VALUES (105, 777777, 47);

INSERT INTO type_status(type_status_id, name_status) VALUES (2, 'Ожидает работы');
INSERT INTO route(route_id, type_route_id, Srun, Frun, type_operation_msl_id) VALUES (30, 7, 1, 1, 5);
INSERT INTO route(route_id, type_route_id, Srun, Frun, type_operation_msl_id) VALUES (31, 7, 2, 1, 6);
INSERT INTO name_electro(name_electro_id) VALUES (1);

INSERT INTO JournalMsl(JournalMsl_id, name_electro_id) VALUES (20, 1);
INSERT INTO msl_info(msl_info_id, JournalMsl_id, type_route_id, type_status_id, archive, active)
  VALUES (1, 20, 7, 2, 0, 1);
INSERT INTO msl_(msl_id, JournalMsl_id, route_id, entry, good, bad, date_time_start, user_id, state_operation, dt_start)
  VALUES (40, 20, 30, 3, 0, 0, '01.12.26', 11, 0, '2026-12-01 09:00:00');
INSERT INTO MslElectro(JournalMsl_id, electro_id, Fbad, msl_id) VALUES (20, 100, 0, 40);
INSERT INTO MslElectro(JournalMsl_id, electro_id, Fbad, msl_id) VALUES (20, 101, 0, 40);
INSERT INTO MslElectro(JournalMsl_id, electro_id, Fbad, msl_id) VALUES (20, 102, 0, 40);

INSERT INTO JournalMsl(JournalMsl_id, name_electro_id) VALUES (21, 1);
INSERT INTO msl_info(msl_info_id, JournalMsl_id, type_route_id, type_status_id, archive, active)
  VALUES (2, 21, 7, 2, 0, 1);
INSERT INTO msl_(msl_id, JournalMsl_id, route_id, entry, good, bad, date_time_start, user_id, state_operation, dt_start)
  VALUES (41, 21, 30, 1, 0, 0, '01.12.26', 11, 0, '2026-12-01 09:00:00');
INSERT INTO MslElectro(JournalMsl_id, electro_id, Fbad, msl_id) VALUES (21, 104, 0, 41);

#pragma once
// A route sheet waiting for the programming workplace, shared by the record
// tests and the record benchmark. Needs operator 11 and meter 123456 as
// electrometer row 100 (type 48).

namespace testserver {

// Meter 123456 alone on route sheet 20 (route type 7), whose open operation
// 40 (entry 1) stands at step 1, programming (operation type 5, done by
// configuration 11); step 2 is packing (type 6, another workplace). The
// sheet waits for work; no workplace registration yet. Operator 11 holds
// configuration 11.
inline const char *const routeSheetSeed[] = {
    "INSERT INTO config_operator(person_id,config_id) VALUES(11,11)",
    "INSERT INTO config_operation(config_operation_id,config_id,type_operation_msl_id) VALUES(1,11,5)",
    "INSERT INTO type_operation_msl(type_operation_msl_id,name_operation) VALUES(5,'Программирование')",
    "INSERT INTO type_operation_msl(type_operation_msl_id,name_operation) VALUES(6,'Упаковка')",
    "INSERT INTO name_electro(name_electro_id) VALUES(1)",
    "INSERT INTO JournalMsl(JournalMsl_id,name_electro_id) VALUES(20,1)",
    "INSERT INTO msl_info(msl_info_id,JournalMsl_id,type_route_id,type_status_id,archive,active) VALUES(1,20,7,2,0,1)",
    "INSERT INTO type_status(type_status_id,name_status) VALUES(2,'Ожидает работы')",
    "INSERT INTO route(route_id,type_route_id,Srun,Frun,type_operation_msl_id) VALUES(30,7,1,1,5)",
    "INSERT INTO route(route_id,type_route_id,Srun,Frun,type_operation_msl_id) VALUES(31,7,2,1,6)",
    "INSERT INTO MslElectro(MslElectro_id,JournalMsl_id,electro_id,Fbad,msl_id) VALUES(70,20,100,0,40)",
    ("INSERT INTO msl_(msl_id,JournalMsl_id,route_id,entry,good,bad,date_time_start,user_id,state_operation,dt_start)"
     " VALUES(40,20,30,1,0,0,'01.12.26',11,0,'2026-12-01 09:00:00')"),
};

} // namespace testserver

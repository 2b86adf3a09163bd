// The catalogue of every native the plug-in calls: name, hash, pushed argument kinds, result.
// Argument kinds: i int32, e entity/ped/blip handle, h hash, f float, s text pointer,
// q 64-bit value, and out-pointers: F float, V Vec3, E entity handle, B blip handle,
// Z zeroed 64-bit value, N 65-slot nearby-ped buffer.
// Result kinds: v none, i int32, e handle, b bool, f float, h hash, V Vec3, q 64-bit.
// clang-format off
#define HARKVANE_NATIVES(X) \
    /* clock and timer */ \
    X(GET_CLOCK_YEAR,                 0xE136DCA28C4A48BA, "",              "i") \
    X(GET_CLOCK_MONTH,                0x2D44E8FC79EAB1AC, "",              "i") \
    X(GET_CLOCK_DAY_OF_MONTH,         0xDF2FD796C54480A5, "",              "i") \
    X(GET_CLOCK_HOURS,                0xC82CF208C2B19199, "",              "i") \
    X(GET_CLOCK_MINUTES,              0x4E162231B823DBBF, "",              "i") \
    X(GET_GAME_TIMER,                 0x4F67E8ECA7D3F667, "",              "i") \
    /* player, bounty and law */ \
    X(PLAYER_PED_ID,                  0x096275889B8E0EE0, "",              "e") \
    X(PLAYER_ID,                      0x217E9DC48139933D, "",              "i") \
    X(GET_PLAYER_BOUNTY,              0x54310AAB97B92816, "i",             "i") \
    X(SET_PLAYER_BOUNTY,              0x093A9D1F72DF0D19, "ii",            "v") \
    X(GET_MAP_ZONE_AT_COORDS,         0x43AD8FC02B429D33, "fffi",          "h") \
    X(SET_PLAYER_LAW_REGION,          0x73BAD7B2F2DB50DE, "ih",            "v") \
    X(LAW_CALL_WITH_ZEROED_VALUE,     0x537CE992BD2D7BCB, "Z",             "v") \
    X(SET_PLAYER_PURSUED,             0x8674D138391FFB1B, "ii",            "v") \
    X(GET_PLAYER_STATE_QUERY,         0xDD5FD601481F648B, "i",             "i") \
    X(SET_LAW_SETTING,                0x28A4BD2CEE236E19, "i",             "v") \
    X(REPORT_CRIME_ON_PLAYER,         0xF60386770878A98F, "ihiii",         "v") \
    X(SET_GLOBAL_COOLDOWN,            0xF19706B1F8FFA88F, "hi",            "v") \
    X(IS_MISSION_ACTIVE,              0xB15CD1CF58771DE1, "",              "b") \
    /* entity queries */ \
    X(DOES_ENTITY_EXIST,              0xD42BD6EB2E0F1677, "e",             "b") \
    X(IS_ENTITY_A_PED,                0xCF8176912DDA4EA5, "e",             "b") \
    X(IS_PED_HUMAN,                   0xB980061DA992779D, "e",             "b") \
    X(IS_ENTITY_DEAD,                 0x7D5B1F88E7504BBA, "e",             "b") \
    X(IS_PED_DEAD_OR_DYING,           0x3317DEDB88C95038, "ei",            "b") \
    X(IS_PED_DEAD_SECOND_CHECK,       0xD839450756ED5A80, "e",             "b") \
    X(GET_ENTITY_MODEL,               0xDA76A9F39210D365, "e",             "h") \
    X(IS_MODEL_A_HORSE,               0x772A1969F649E902, "h",             "b") \
    X(GET_ENTITY_COORDS,              0xA86D5F069399F44D, "eii",           "V") \
    X(GET_ENTITY_HEADING,             0xC230DD956E2F5507, "e",             "f") \
    X(IS_PED_IN_COMBAT,               0x4859F1FC66A6278E, "ei",            "b") \
    X(IS_PED_IN_ANY_VEHICLE,          0x997ABD671D25CA0B, "ei",            "b") \
    X(CAN_PED_PERCEIVE_PED,           0x7F9B9791D4CB71F6, "eeii",          "b") \
    X(HAS_CLEAR_LOS_TO_ENTITY,        0xE88F19660651D566, "eei",           "b") \
    X(GET_PED_NEARBY_PEDS,            0x23F8F5FC7E8C4A6B, "eNii",          "i") \
    /* world and geometry */ \
    X(GET_DISTANCE_BETWEEN_COORDS,    0x0BE7F4E3CDBAFB28, "ffffffi",       "f") \
    X(GET_GROUND_Z_FOR_3D_COORD,      0x24FA4267BB8D2431, "fffFi",         "b") \
    X(GET_SAFE_COORD_FOR_PED,         0xB61C8E878A4199CA, "fffiVi",        "b") \
    X(GET_WATER_HEIGHT,               0xFCA8B23F28813F69, "fffF",          "b") \
    X(CREATE_BOX_VOLUME,              0xB3FB80A32BAE3065, "fffffffff",     "i") \
    X(CREATE_EVENT_MARKER,            0xA2D5A26208421426, "i",             "q") \
    X(REMOVE_EVENT_MARKER,            0x49F751F6868DDC5B, "q",             "v") \
    /* models, creation and deletion */ \
    X(IS_MODEL_VALID,                 0x392C8D8E07B70EFC, "h",             "b") \
    X(REQUEST_MODEL,                  0xFA28FE3A6246FC30, "hi",            "v") \
    X(HAS_MODEL_LOADED,               0x1283B8B89DD5D1B6, "h",             "b") \
    X(SET_MODEL_AS_NO_LONGER_NEEDED,  0x4AD96EF928BD4F9A, "h",             "v") \
    X(CREATE_PED,                     0xD49F9B0955C367DE, "hffffiiii",     "e") \
    X(SET_ENTITY_AS_MISSION_ENTITY,   0xDC19C288082E586E, "eii",           "v") \
    X(SET_RANDOM_OUTFIT_VARIATION,    0x283978A15512B2FE, "ei",            "v") \
    X(UPDATE_PED_VARIATION,           0xCC8CA3E88256E58F, "eiiiii",        "v") \
    X(FINISH_PED_APPEARANCE,          0x1794B4FCC84D812F, "ei",            "v") \
    X(APPLY_HORSE_PRESET,             0x1902C4CFCC5BE57C, "eh",            "v") \
    X(SET_ENTITY_COORDS,              0x06843DA7060A026B, "efffiiii",      "v") \
    X(DELETE_ENTITY,                  0x4CD38C78BD19A497, "E",             "v") \
    /* weapons */ \
    X(REMOVE_ALL_PED_WEAPONS,         0xF25DF915FA38C5F3, "eii",           "v") \
    X(GIVE_WEAPON_TO_PED,             0x5E3BDDBCB83F3D84, "ehiiiiifihiii", "i") \
    X(SET_PED_AMMO,                   0x14E56BC5B5DB6A19, "ehi",           "v") \
    /* orders and behaviour */ \
    X(SET_PED_PATH_CAN_USE_CLIMBOVERS,0x8E06A6FE76C9EFF4, "ei",            "v") \
    X(SET_PED_PATH_CAN_USE_LADDERS,   0x77A5B103C87F476E, "ei",            "v") \
    X(SET_BLOCKING_OF_EVENTS,         0x9F8AA94D6D97DBF4, "ei",            "v") \
    X(TASK_COMBAT_PED,                0xF166E48407BAC484, "eeii",          "v") \
    X(SET_PED_KEEP_TASK,              0x971D38760FBC02EF, "ei",            "v") \
    X(CLEAR_PED_TASKS,                0xE1EF3C1216AFF2CD, "eii",           "v") \
    X(TASK_FOLLOW_TO_OFFSET,          0x304AE42E357B8C7E, "eeffffifiiiiii", "v")  \
    X(TASK_FLEE_PED,                  0x22B0D0E37CCB840D, "eefiife",       "v") \
    X(TASK_SECOND_STAGE_PURSUIT,      0x5C8514540D27FBFB, "eeiiii",        "v") \
    X(TASK_DISMOUNT,                  0x48E92D3DDE23C23A, "eiiiie",        "v") \
    /* mounts */ \
    X(IS_PED_ON_MOUNT,                0x460BC76A0E10655E, "e",             "b") \
    X(GET_MOUNT,                      0xE7E11B8DCBED1058, "e",             "e") \
    X(GET_RIDER_OF_MOUNT,             0xB676EFDA03DADA52, "ei",            "e") \
    X(IS_MOUNT_SEAT_FREE,             0xAAB0FE202E9FC9F0, "ei",            "b") \
    X(SET_PED_ONTO_MOUNT,             0x028F76B6E78246EB, "eeii",          "v") \
    /* blips */ \
    X(ADD_BLIP_FOR_ENTITY,            0x23F74C2FDA6E7C61, "he",            "e") \
    X(BLIP_ADD_MODIFIER,              0xEDD964B7984AC291, "eh",            "v") \
    X(SET_BLIP_NAME,                  0x9CB1A1623062F402, "es",            "v") \
    X(DOES_ENTITY_HAVE_BLIP,          0x9FA00E2FC134A9D0, "e",             "b") \
    X(GET_BLIP_FROM_ENTITY,           0x6D2C41A8BD6D6FD0, "e",             "e") \
    X(BLIP_RELEASE_STEP,              0x01B928CA2E198B01, "e",             "v") \
    X(REMOVE_BLIP,                    0xF2C3C9DA47AAA54A, "B",             "v") \
    /* on-screen text */ \
    X(CREATE_VAR_STRING,              0xFA925AC00EB830B9, "iss",           "q") \
    X(SET_NOTICE_TEXT,                0xFA233F8FE190514C, "q",             "v") \
    X(SHOW_NOTICE,                    0xE9990552DEC71600, "",              "v") \
    /* names */ \
    X(GET_HASH_KEY,                   0xFD340785ADF8CFB7, "s",             "h")
// clang-format on

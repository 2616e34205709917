-- Velkora database: load formats (KESTA), settings, module options and the action record.
-- SQLite. Run on a new, empty database file:  sqlite3 velkora.db < db/sqlite.sql
-- Dates and stamps are stored as ISO 8601 text ('2026-12-06', '2026-12-06 10:30:15'); the two
-- numeric user data as the number's text, so that all 20 digits come back exactly.

-- One row per line type of a load format; the header values repeat on every row of the key.
CREATE TABLE Layout (
    Ly_Cve_Layout      VARCHAR(4)     NOT NULL,
    Ly_Descripcion     VARCHAR(50)    NULL,
    Ly_Archivo         VARCHAR(100)   NULL,
    Ly_ID              VARCHAR(10)    NOT NULL,
    Ly_Descripcion_ID  VARCHAR(100)   NULL,
    Ly_Linea_ID        VARCHAR(50)    NULL,
    Ly_Posicion        INTEGER        NULL,
    Ly_Longitud        INTEGER        NULL,
    Ly_Inverso         VARCHAR(2)     NULL,
    Ly_UserDef_1       VARCHAR(50)    NULL,
    Ly_UserDef_2       VARCHAR(50)    NULL,
    Ly_UserDef_3       TEXT           NULL, -- a DECIMAL(20,4) kept as its exact text
    Ly_UserDef_4       TEXT           NULL, -- a DECIMAL(20,4) kept as its exact text
    Ly_UserDef_5       TEXT           NULL,
    Ly_UserDef_6       TEXT           NULL,
    Fecha_Alta         TEXT           NULL,
    Fecha_Ult_Modif    TEXT           NULL,
    Oper_Alta          VARCHAR(50)    NULL,
    Oper_Ult_Modif     VARCHAR(50)    NULL,
    Es_Cve_Estado      VARCHAR(2)     NOT NULL DEFAULT 'AC',
    Oper_Baja          VARCHAR(50)    NULL DEFAULT '',
    Fecha_Baja         TEXT           NULL DEFAULT NULL,
    CONSTRAINT PK_Layout PRIMARY KEY (Ly_Cve_Layout, Ly_ID)
);

-- One row per field definition of a line type.
CREATE TABLE Layout_Detalle (
    Ly_Cve_Layout      VARCHAR(4)     NOT NULL,
    Ly_ID              VARCHAR(10)    NOT NULL,
    Ld_ID              VARCHAR(10)    NOT NULL,
    Ld_Descripcion     VARCHAR(100)   NULL,
    Ld_Posicion        INTEGER        NULL,
    Ld_Longitud        INTEGER        NULL,
    Ld_Trim            VARCHAR(2)     NULL,
    Ld_Valor           VARCHAR(255)   NULL,
    Ld_Formato         VARCHAR(100)   NULL,
    Ld_Tipo            VARCHAR(2)     NULL,
    CONSTRAINT PK_Layout_Detalle PRIMARY KEY (Ly_Cve_Layout, Ly_ID, Ld_ID)
);

-- The rules a file must keep (docs/rules.md), one row per rule: Ly_ID empty (or NULL) for a
-- rule of the whole file, Ld_ID empty (or NULL) for a rule of the line type itself.
CREATE TABLE Layout_Regla (
    Ly_Cve_Layout      VARCHAR(4)     NOT NULL,
    Lr_ID              VARCHAR(10)    NOT NULL,
    Ly_ID              VARCHAR(10)    NULL,
    Ld_ID              VARCHAR(10)    NULL,
    Lr_Regla           VARCHAR(255)   NOT NULL,
    Lr_Descripcion     VARCHAR(100)   NULL,
    CONSTRAINT PK_Layout_Regla PRIMARY KEY (Ly_Cve_Layout, Lr_ID)
);

-- Settings of the host application, shared by everyone on this database.
CREATE TABLE Velkora_Configuracion (
    Cf_Nombre          VARCHAR(50)    NOT NULL,
    Cf_Valor           VARCHAR(255)   NULL,
    Cf_Descripcion     VARCHAR(255)   NULL,
    CONSTRAINT PK_Velkora_Configuracion PRIMARY KEY (Cf_Nombre)
);

-- Options of the host's modules (an integer each), shared by everyone on this database.
CREATE TABLE Velkora_Opcion_Modulo (
    Om_Modulo          VARCHAR(20)    NOT NULL,
    Om_Codigo          VARCHAR(20)    NOT NULL,
    Om_Valor           INTEGER        NOT NULL DEFAULT 0,
    Om_Descripcion     VARCHAR(255)   NULL,
    CONSTRAINT PK_Velkora_Opcion_Modulo PRIMARY KEY (Om_Modulo, Om_Codigo)
);

-- The action record: who did what to which row, and when.
CREATE TABLE Velkora_Bitacora (
    Bi_ID              INTEGER        PRIMARY KEY AUTOINCREMENT,
    Bi_Tabla           VARCHAR(50)    NOT NULL,
    Bi_Clave           VARCHAR(100)   NOT NULL,
    Bi_Accion          VARCHAR(50)    NOT NULL,
    Bi_Operador        VARCHAR(50)    NULL,
    Bi_Fecha           TEXT           NOT NULL
);

CREATE INDEX IX_Velkora_Bitacora_Tabla ON Velkora_Bitacora (Bi_Tabla, Bi_Clave);

-- What a new installation starts with.
INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor, Cf_Descripcion)
    VALUES ('FTO_LAYOUT', '0000', 'Formato de la clave de los formatos de carga');
INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor, Cf_Descripcion)
    VALUES ('CAT_FORZAR_MAYUSCULAS', '0', '1: las cajas de texto escriben en mayusculas');
INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor, Cf_Descripcion)
    VALUES ('CAT_AUTOCLAVE', '0', '1: Nuevo propone la siguiente clave numerica');
INSERT INTO Velkora_Opcion_Modulo (Om_Modulo, Om_Codigo, Om_Valor, Om_Descripcion)
    VALUES ('KESTA', 'CAT001', 1, '1: la clave automatica se puede cambiar');

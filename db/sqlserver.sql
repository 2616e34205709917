-- Velkora database: load formats (KESTA), settings, module options and the action record.
-- SQL Server. Run on a new, empty database:  sqlcmd -d velkora -b -i db/sqlserver.sql  (or tsql)
-- Dates and stamps are written as '20261206' and '2026-12-06T10:30:15', which datetime reads alike under every language.

-- One row per line type of a load format; the header values repeat on every row of the key.
CREATE TABLE Layout (
    Ly_Cve_Layout      NVARCHAR(4)    NOT NULL,
    Ly_Descripcion     NVARCHAR(50)   NULL,
    Ly_Archivo         NVARCHAR(100)  NULL,
    Ly_ID              NVARCHAR(10)   NOT NULL,
    Ly_Descripcion_ID  NVARCHAR(100)  NULL,
    Ly_Linea_ID        NVARCHAR(50)   NULL,
    Ly_Posicion        INT            NULL,
    Ly_Longitud        INT            NULL,
    Ly_Inverso         NVARCHAR(2)    NULL,
    Ly_UserDef_1       NVARCHAR(50)   NULL,
    Ly_UserDef_2       NVARCHAR(50)   NULL,
    Ly_UserDef_3       DECIMAL(20,4)  NULL,
    Ly_UserDef_4       DECIMAL(20,4)  NULL,
    Ly_UserDef_5       DATETIME       NULL,
    Ly_UserDef_6       DATETIME       NULL,
    Fecha_Alta         DATETIME       NULL,
    Fecha_Ult_Modif    DATETIME       NULL,
    Oper_Alta          NVARCHAR(50)   NULL,
    Oper_Ult_Modif     NVARCHAR(50)   NULL,
    Es_Cve_Estado      NVARCHAR(2)    NOT NULL DEFAULT 'AC',
    Oper_Baja          NVARCHAR(50)   NULL DEFAULT '',
    Fecha_Baja         DATETIME       NULL DEFAULT NULL,
    CONSTRAINT PK_Layout PRIMARY KEY (Ly_Cve_Layout, Ly_ID)
);
GO

-- One row per field definition of a line type.
CREATE TABLE Layout_Detalle (
    Ly_Cve_Layout      NVARCHAR(4)    NOT NULL,
    Ly_ID              NVARCHAR(10)   NOT NULL,
    Ld_ID              NVARCHAR(10)   NOT NULL,
    Ld_Descripcion     NVARCHAR(100)  NULL,
    Ld_Posicion        INT            NULL,
    Ld_Longitud        INT            NULL,
    Ld_Trim            NVARCHAR(2)    NULL,
    Ld_Valor           NVARCHAR(255)  NULL,
    Ld_Formato         NVARCHAR(100)  NULL,
    Ld_Tipo            NVARCHAR(2)    NULL,
    CONSTRAINT PK_Layout_Detalle PRIMARY KEY (Ly_Cve_Layout, Ly_ID, Ld_ID)
);
GO

-- The rules a file must keep (docs/rules.md), one row per rule: Ly_ID empty (or NULL) for a
-- rule of the whole file, Ld_ID empty (or NULL) for a rule of the line type itself.
CREATE TABLE Layout_Regla (
    Ly_Cve_Layout      NVARCHAR(4)    NOT NULL,
    Lr_ID              NVARCHAR(10)   NOT NULL,
    Ly_ID              NVARCHAR(10)   NULL,
    Ld_ID              NVARCHAR(10)   NULL,
    Lr_Regla           NVARCHAR(255)  NOT NULL,
    Lr_Descripcion     NVARCHAR(100)  NULL,
    CONSTRAINT PK_Layout_Regla PRIMARY KEY (Ly_Cve_Layout, Lr_ID)
);
GO

-- Settings of the host application, shared by everyone on this database.
CREATE TABLE Velkora_Configuracion (
    Cf_Nombre          NVARCHAR(50)   NOT NULL,
    Cf_Valor           NVARCHAR(255)  NULL,
    Cf_Descripcion     NVARCHAR(255)  NULL,
    CONSTRAINT PK_Velkora_Configuracion PRIMARY KEY (Cf_Nombre)
);
GO

-- Options of the host's modules (an integer each), shared by everyone on this database.
CREATE TABLE Velkora_Opcion_Modulo (
    Om_Modulo          NVARCHAR(20)   NOT NULL,
    Om_Codigo          NVARCHAR(20)   NOT NULL,
    Om_Valor           INT            NOT NULL DEFAULT 0,
    Om_Descripcion     NVARCHAR(255)  NULL,
    CONSTRAINT PK_Velkora_Opcion_Modulo PRIMARY KEY (Om_Modulo, Om_Codigo)
);
GO

-- The action record: who did what to which row, and when.
CREATE TABLE Velkora_Bitacora (
    Bi_ID              INT            IDENTITY(1,1) PRIMARY KEY,
    Bi_Tabla           NVARCHAR(50)   NOT NULL,
    Bi_Clave           NVARCHAR(100)  NOT NULL,
    Bi_Accion          NVARCHAR(50)   NOT NULL,
    Bi_Operador        NVARCHAR(50)   NULL,
    Bi_Fecha           DATETIME       NOT NULL
);
GO

CREATE INDEX IX_Velkora_Bitacora_Tabla ON Velkora_Bitacora (Bi_Tabla, Bi_Clave);
GO

-- What a new installation starts with.
INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor, Cf_Descripcion)
    VALUES ('FTO_LAYOUT', '0000', 'Formato de la clave de los formatos de carga');
INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor, Cf_Descripcion)
    VALUES ('CAT_FORZAR_MAYUSCULAS', '0', '1: las cajas de texto escriben en mayusculas');
INSERT INTO Velkora_Configuracion (Cf_Nombre, Cf_Valor, Cf_Descripcion)
    VALUES ('CAT_AUTOCLAVE', '0', '1: Nuevo propone la siguiente clave numerica');
INSERT INTO Velkora_Opcion_Modulo (Om_Modulo, Om_Codigo, Om_Valor, Om_Descripcion)
    VALUES ('KESTA', 'CAT001', 1, '1: la clave automatica se puede cambiar');
GO

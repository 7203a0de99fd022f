-- Plant database for the production-accounting client: the ERP tables the
-- client reads and writes, and its own schema accounts_dep.
--
-- Load into an empty database as its owner (no superuser needed):
--   psql -v ON_ERROR_STOP=1 -d plantdb -f db/schema.sql
-- On a real plant database the ERP part already exists; only the indexes at
-- the end of this file are worth adding there (see "Indexes").

SET client_encoding = 'UTF8';
SET client_min_messages = warning;

-- ---------------------------------------------------------------------------
-- Session settings the client relies on
-- ---------------------------------------------------------------------------

-- The client writes dates as texts such as '01.3.2024' and '05.03.2024'
-- (month bounds of the average piece rate, the entry date vvod) and expects
-- the server to read them day first, as a Russian-locale server does.
-- Set it for this database and for the loading role: a database cloned from
-- this one as a template does not inherit database settings, the role setting
-- covers the clones.
DO $$
BEGIN
    EXECUTE format('ALTER DATABASE %I SET datestyle TO %L',
                   current_database(), 'ISO, DMY');
END
$$;
ALTER ROLE CURRENT_USER SET datestyle TO 'ISO, DMY';

-- ---------------------------------------------------------------------------
-- ERP domain types (the client's SQL casts s_code::t_id and s_code::t_integer
-- unqualified, so they live in public)
-- ---------------------------------------------------------------------------

CREATE DOMAIN public.t_id AS numeric(15,0);
CREATE DOMAIN public.t_integer AS integer;

-- ---------------------------------------------------------------------------
-- ERP tables. Only the columns the client uses; ids come from a sequence.
-- ---------------------------------------------------------------------------

CREATE SCHEMA cmn_contractor;
CREATE SCHEMA cmn_gds_and_srv;
CREATE SCHEMA cmn_classifier;
CREATE SCHEMA hrms_staffpos;
CREATE SCHEMA cmn_department;
CREATE SCHEMA adm_role;

-- Every contractor of the company; workers carry their worker number in
-- s_code (a number as text, or NULL - never other text: the client casts it).
CREATE SEQUENCE cmn_contractor.person_id_seq;
CREATE TABLE cmn_contractor.person (
    id        numeric(15,0) NOT NULL DEFAULT nextval('cmn_contractor.person_id_seq'),
    s_caption varchar(254),
    s_code    text,
    CONSTRAINT person_pkey PRIMARY KEY (id)
);
ALTER SEQUENCE cmn_contractor.person_id_seq OWNED BY cmn_contractor.person.id;

-- Goods: the products ("изделия"); s_caption is the product mark.
CREATE SEQUENCE cmn_gds_and_srv.gds_and_srv_id_seq;
CREATE TABLE cmn_gds_and_srv.gds_and_srv (
    id            numeric(15,0) NOT NULL DEFAULT nextval('cmn_gds_and_srv.gds_and_srv_id_seq'),
    s_caption     varchar(254),
    s_description varchar(4000),
    id_msm_bs     numeric(15,0),          -- unit of measure; the client writes 6
    massa         numeric(28,6),          -- shown as "Коробки" per piece
    id_class_item numeric(15,0),          -- nomenclature group (classifier item)
    CONSTRAINT gds_and_srv_pkey PRIMARY KEY (id)
);
ALTER SEQUENCE cmn_gds_and_srv.gds_and_srv_id_seq OWNED BY cmn_gds_and_srv.gds_and_srv.id;

-- Classifier items; nomenclature groups are the items of level 2.
CREATE SEQUENCE cmn_classifier.item_id_seq;
CREATE TABLE cmn_classifier.item (
    id              numeric(15,0) NOT NULL DEFAULT nextval('cmn_classifier.item_id_seq'),
    id_classifier   numeric(15,0),
    id_level        integer,
    s_code          varchar(254),
    s_caption       varchar(254),
    s_description   varchar(4000),
    b_excluded      boolean DEFAULT false,
    d_excluded_date date,
    id_parent       numeric(15,0),
    CONSTRAINT item_pkey PRIMARY KEY (id)
);
ALTER SEQUENCE cmn_classifier.item_id_seq OWNED BY cmn_classifier.item.id;

-- Staff positions, departments and roles: lookups of the worker dialog.
CREATE SEQUENCE hrms_staffpos.staffpos_id_seq;
CREATE TABLE hrms_staffpos.staffpos (
    id            numeric(15,0) NOT NULL DEFAULT nextval('hrms_staffpos.staffpos_id_seq'),
    id_department numeric(15,0),
    s_code        varchar(254),
    s_caption     varchar(254),
    d_begin       date,
    d_end         date,
    s_description varchar(4000),
    CONSTRAINT staffpos_pkey PRIMARY KEY (id)
);
ALTER SEQUENCE hrms_staffpos.staffpos_id_seq OWNED BY hrms_staffpos.staffpos.id;

CREATE SEQUENCE cmn_department.department_id_seq;
CREATE TABLE cmn_department.department (
    id            numeric(15,0) NOT NULL DEFAULT nextval('cmn_department.department_id_seq'),
    id_branch     numeric(15,0),
    s_code        varchar(254),
    s_caption     varchar(254),
    s_description varchar(4000),
    id_parent     numeric(15,0),
    CONSTRAINT department_pkey PRIMARY KEY (id)
);
ALTER SEQUENCE cmn_department.department_id_seq OWNED BY cmn_department.department.id;

CREATE SEQUENCE adm_role.roles_id_seq;
CREATE TABLE adm_role.roles (
    id        numeric(15,0) NOT NULL DEFAULT nextval('adm_role.roles_id_seq'),
    s_name    varchar(30),
    s_caption varchar(254),
    d_begin   date,
    d_end     date,
    b_active  boolean DEFAULT true,
    CONSTRAINT roles_pkey PRIMARY KEY (id)
);
ALTER SEQUENCE adm_role.roles_id_seq OWNED BY adm_role.roles.id;

-- ---------------------------------------------------------------------------
-- accounts_dep: the client's own tables.
-- No foreign keys: the client deletes workers, products, operations and
-- operation kinds without touching the rows that name them, and the legacy
-- import empties and refills tables in any order. No NOT NULL beyond the keys
-- for the same reason (imported rows may lack any column).
-- ---------------------------------------------------------------------------

CREATE SCHEMA accounts_dep;

-- Shift records: one per worker, product, operation, colour, shift and date.
CREATE TABLE accounts_dep.smena (
    id            serial PRIMARY KEY,
    data          date,                   -- work date
    smena         smallint,               -- 1, 2, 3; 4 = overtime
    w_id          integer,                -- worker: person.id or person.s_code
    i_id          integer,                -- product (gds_and_srv.id)
    o_id          integer,                -- priced operation (oper.id)
    cena          double precision,       -- price of one good piece
    kol_vo        integer,                -- pieces made
    brak          smallint,               -- defective pieces among them
    color         integer,                -- colour number, 0 = no painting
    "time"        integer,                -- hours worked
    ok            char(2),                -- 'no' / 'ok' / 'да' (legacy)
    vvod          timestamp,              -- entered or last edited
    prize         double precision,       -- bonus percent
    id_doc        numeric(15,0),          -- ERP document references
    id_doc_item   numeric(15,0),
    id_gds_use    numeric(15,0),
    id_cons_use   numeric(15,0),
    f_gds_qty_use double precision
);

-- Monthly time sheet: piece-work rows (i_type 0) per worker, shift, month and
-- year; maintenance rows (i_type 7777/7778, smena NULL) per worker, kind,
-- month, year and night flag. d1..d31 = hours of the day, NULL = none.
CREATE TABLE accounts_dep.h_tabel (
    id      serial PRIMARY KEY,
    w_id    integer,
    month   smallint,
    year    smallint,
    smena   smallint,
    i_type  integer DEFAULT 0,
    i_night integer DEFAULT 0,
    d1  smallint, d2  smallint, d3  smallint, d4  smallint, d5  smallint,
    d6  smallint, d7  smallint, d8  smallint, d9  smallint, d10 smallint,
    d11 smallint, d12 smallint, d13 smallint, d14 smallint, d15 smallint,
    d16 smallint, d17 smallint, d18 smallint, d19 smallint, d20 smallint,
    d21 smallint, d22 smallint, d23 smallint, d24 smallint, d25 smallint,
    d26 smallint, d27 smallint, d28 smallint, d29 smallint, d30 smallint,
    d31 smallint
);

-- Maintenance (hourly) work: kinds 7777 "хоз. работы" and 7778 "ср. сдельная".
CREATE TABLE accounts_dep.fatigue (
    id        serial PRIMARY KEY,
    id_nom    numeric(15,0),              -- nomenclature group (item.id)
    id_o      numeric(15,0),              -- work kind (vid_oper.id)
    id_p      numeric(15,0),              -- worker (accounts_dep.person.id)
    d_date    date,
    i_mnth    integer,
    i_year    integer,
    i_smena   integer,
    cnt       integer,                    -- hours
    price     numeric(15,4),              -- price of one hour
    i_holiday integer DEFAULT 0,          -- 1 = day off
    i_night   integer DEFAULT 0           -- 1 = night
);

-- Priced operations: an operation kind on a product, finished (naimen 0) or
-- blank (other). Maintenance pseudo-operations have vid and i_id >= 7777.
CREATE TABLE accounts_dep.oper (
    id       serial PRIMARY KEY,
    vid      integer,                     -- operation kind (vid_oper.id)
    naimen   smallint,
    i_id     integer,                     -- product (gds_and_srv.id)
    cena_new numeric(19,4),
    cena     double precision             -- price of the earlier database
);

-- Norms of an operation; the lowest price is the operation's current price.
CREATE TABLE accounts_dep.norm (
    id     serial PRIMARY KEY,
    o_id   integer,                       -- oper.id
    norma  integer,                       -- pieces
    prize  integer,                       -- bonus percent
    price  double precision               -- price of one piece
);

-- Operation kinds; 7777 and 7778 are the two maintenance kinds.
CREATE TABLE accounts_dep.vid_oper (
    id  serial PRIMARY KEY,
    vid char(128)
);

-- The local list of workers (maintenance work, average piece rate).
CREATE TABLE accounts_dep.person (
    id            serial PRIMARY KEY,
    fio           varchar(254),           -- "Фамилия И.О."
    s_staffpos_hl varchar(254)            -- shown as the position
);

-- One row: the build stamp every running client compares against, and the
-- decimal separator to write into SQL number texts.
CREATE TABLE accounts_dep.ver (
    d     integer,                        -- build date YYYYMMDD
    t     integer,                        -- build time, seconds after midnight
    delim varchar(255)
);

-- Tables of the earlier database, filled only by the legacy import.
CREATE TABLE accounts_dep.workers (
    id   integer PRIMARY KEY,
    fio  char(128),
    addr char(128)
);

CREATE TABLE accounts_dep.nomenkl (
    id    serial PRIMARY KEY,
    nom   varchar(512),
    marka char(128)
);

-- Products with their nomenclature group. The same text the client's
-- "Структура БД" command sends, so recreating it changes nothing; keep no
-- other object depending on this view (the command drops it first).
CREATE OR REPLACE VIEW accounts_dep.izdel AS SELECT gds.s_caption AS marka,	gds.id_class_item, gds.id, gds.massa, gds.id_class_item AS id_nom,i.s_caption AS nom FROM cmn_gds_and_srv.gds_and_srv gds, cmn_classifier.item i WHERE gds.id_class_item::numeric = i.id::numeric;

-- The stored build stamp: older than any build, so the first client that
-- runs records its own.
INSERT INTO accounts_dep.ver (d, t, delim) VALUES (20000101, 0, '.');

-- ---------------------------------------------------------------------------
-- Indexes for the client's lookups
-- ---------------------------------------------------------------------------

-- Shift journal: the records of one date and shift.
CREATE INDEX smena_data_smena_idx ON accounts_dep.smena (data, smena);
-- A worker's hours of a day (time-sheet cell), average piece rate, reports.
CREATE INDEX smena_w_id_data_idx ON accounts_dep.smena (w_id, data);
-- The same where the worker is compared with a numeric ERP id
-- ("s.w_id=p.id" with cmn_contractor.person: piece-work time sheet).
CREATE INDEX smena_w_id_numeric_data_idx ON accounts_dep.smena ((w_id::numeric), data);
-- Records of an operation / of a product (product delete, checks).
CREATE INDEX smena_o_id_idx ON accounts_dep.smena (o_id);
CREATE INDEX smena_i_id_idx ON accounts_dep.smena (i_id);

-- Time sheet of a month by shift; a worker's row of a kind in a month.
CREATE INDEX h_tabel_year_month_w_id_smena_idx
    ON accounts_dep.h_tabel (year, month, w_id, smena);
CREATE INDEX h_tabel_w_id_i_type_month_year_idx
    ON accounts_dep.h_tabel (w_id, i_type, month, year);

-- Maintenance journal of a day; a worker's hours of a kind on a day.
CREATE INDEX fatigue_d_date_idx ON accounts_dep.fatigue (d_date);
CREATE INDEX fatigue_id_p_id_o_d_date_idx ON accounts_dep.fatigue (id_p, id_o, d_date);

-- Norms of an operation; operations of a product.
CREATE INDEX norm_o_id_idx ON accounts_dep.norm (o_id);
CREATE INDEX oper_i_id_idx ON accounts_dep.oper (i_id);

-- Products of a nomenclature group (izdel joined from the group side).
CREATE INDEX gds_and_srv_id_class_item_idx ON cmn_gds_and_srv.gds_and_srv (id_class_item);

-- Worker names by worker number. The journal joins "s_code::t_id = w_id",
-- the time sheets "s_code::integer" (and "s_code::t_integer"). The planner
-- strips a domain without constraints down to its base type, so the t_id
-- index serves "s_code::t_id" and "s_code::numeric", the integer index
-- serves "s_code::integer" and "s_code::t_integer".
-- Caution: an expression index evaluates the cast for every row written, so
-- with it the ERP can no longer store an s_code that is not a whole number
-- (for t_id: of at most 15 digits; for integer: within the 32-bit range).
-- The client's queries already fail on such a row; check before creating:
--   SELECT id, s_code FROM cmn_contractor.person
--    WHERE s_code IS NOT NULL
--      AND CASE WHEN s_code ~ '^\s*[+-]?[0-9]{1,10}\s*$'
--               THEN s_code::numeric NOT BETWEEN -2147483648 AND 2147483647
--               ELSE true END;
CREATE INDEX person_s_code_t_id_idx ON cmn_contractor.person ((s_code::t_id));
CREATE INDEX person_s_code_integer_idx ON cmn_contractor.person ((s_code::integer));

-- ---------------------------------------------------------------------------
-- Rules kept by the database: closed months and the history of changes.
-- The same files the client's "Структура БД" command sends (one per line).
-- ---------------------------------------------------------------------------

\ir closed_months_audit.sql
\ir live_refresh.sql

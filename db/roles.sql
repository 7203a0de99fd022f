-- Access that the database itself enforces: one group role per login mode of the client, with the rights
-- that mode's windows need and no more, and a function that makes a person's login role in one of them.
--
-- Apply to the plant database as a role that may create roles and owns (or may grant on) its tables, e.g.
--   psql -v ON_ERROR_STOP=1 -d plantdb -f db/roles.sql
-- Applying it again brings the groups' rights back to exactly what this file says.
--
-- Groups (NOLOGIN; the client's [login] mode = person finds a person's mode by membership):
--   tabel_viewer     the journal read-only, the summary reports, the maintenance work journal
--   tabel_foreman    as the viewer, and adds shift records
--   tabel_warehouse  as the viewer, and accepts shift records (their column ok only)
--   tabel_full       all the client's work on the data: reference books, time sheets, every change of records
-- Every mode may open the maintenance work journal ("Ср.сд./хоз. работы") and write its entries and their
-- time-sheet cells, and every running client records its build stamp in accounts_dep.ver; so every group
-- has those rights. The schema upgrade ("Структура БД") and the legacy import stay with the tables' owner.
--
-- A person (the password may be NULL: then set it with psql's \password, which keeps it out of any log):
--   SELECT accounts_dep.tabel_person('ivanova', NULL, 'foreman');
-- The person's group changes by calling it again with another mode; DROP ROLE removes the person.

BEGIN;

DO $$
DECLARE
    g text;
BEGIN
    FOREACH g IN ARRAY ARRAY['tabel_viewer', 'tabel_foreman', 'tabel_warehouse', 'tabel_full'] LOOP
        IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = g) THEN
            BEGIN
                EXECUTE format('CREATE ROLE %I NOLOGIN', g);
            EXCEPTION WHEN duplicate_object OR unique_violation THEN
                NULL;  -- made at the same moment for another database of the cluster
            END;
        END IF;
    END LOOP;
END
$$;

-- The rights, one row each: group ('all' = every group), privileges, object. An object that does not exist
-- in this database is skipped, so a table of a later version is added here as one more row. A table given
-- INSERT brings the usage of its id sequence along.
CREATE TEMP TABLE tabel_rights (grp text, privileges text, object text) ON COMMIT DROP;
INSERT INTO tabel_rights VALUES
    -- what every mode reads: the journal, lists, time sheets, reports
    ('all', 'SELECT', 'accounts_dep.smena'),
    ('all', 'SELECT', 'accounts_dep.h_tabel'),
    ('all', 'SELECT', 'accounts_dep.fatigue'),
    ('all', 'SELECT', 'accounts_dep.oper'),
    ('all', 'SELECT', 'accounts_dep.norm'),
    ('all', 'SELECT', 'accounts_dep.vid_oper'),
    ('all', 'SELECT', 'accounts_dep.person'),
    ('all', 'SELECT', 'accounts_dep.workers'),
    ('all', 'SELECT', 'accounts_dep.nomenkl'),
    ('all', 'SELECT', 'accounts_dep.izdel'),
    ('all', 'SELECT', 'cmn_contractor.person'),
    ('all', 'SELECT', 'cmn_gds_and_srv.gds_and_srv'),
    ('all', 'SELECT', 'cmn_classifier.item'),
    ('all', 'SELECT', 'hrms_staffpos.staffpos'),
    ('all', 'SELECT', 'cmn_department.department'),
    ('all', 'SELECT', 'adm_role.roles'),
    -- the version check of every running client
    ('all', 'SELECT, INSERT, UPDATE', 'accounts_dep.ver'),
    -- the maintenance work journal and its entry dialog (open in every mode) with their time-sheet cells
    ('all', 'INSERT, UPDATE, DELETE', 'accounts_dep.fatigue'),
    ('all', 'INSERT, UPDATE', 'accounts_dep.h_tabel'),
    -- the foreman adds shift records (their time-sheet cells are the rights above)
    ('tabel_foreman', 'INSERT', 'accounts_dep.smena'),
    -- the warehouse accepts them
    ('tabel_warehouse', 'UPDATE (ok)', 'accounts_dep.smena'),
    -- full access: the journal, the reference books, the time sheets and their rebuild
    ('tabel_full', 'INSERT, UPDATE, DELETE', 'accounts_dep.smena'),
    ('tabel_full', 'DELETE', 'accounts_dep.h_tabel'),
    ('tabel_full', 'INSERT, UPDATE, DELETE', 'accounts_dep.oper'),
    ('tabel_full', 'INSERT, UPDATE, DELETE', 'accounts_dep.norm'),
    ('tabel_full', 'INSERT, UPDATE, DELETE', 'accounts_dep.vid_oper'),
    ('tabel_full', 'INSERT, UPDATE, DELETE', 'accounts_dep.person'),
    ('tabel_full', 'INSERT, UPDATE, DELETE', 'cmn_gds_and_srv.gds_and_srv');

DO $$
DECLARE
    groups text[] := ARRAY['tabel_viewer', 'tabel_foreman', 'tabel_warehouse', 'tabel_full'];
    g text;
    s text;
    r record;
    seq text;
BEGIN
    -- From nothing, so that a right taken out of the list above is gone after the next run.
    FOREACH g IN ARRAY groups LOOP
        FOR s IN SELECT DISTINCT split_part(object, '.', 1) FROM tabel_rights LOOP
            IF to_regnamespace(s) IS NOT NULL THEN
                EXECUTE format('REVOKE ALL ON ALL TABLES IN SCHEMA %I FROM %I', s, g);
                EXECUTE format('REVOKE ALL ON ALL SEQUENCES IN SCHEMA %I FROM %I', s, g);
                EXECUTE format('GRANT USAGE ON SCHEMA %I TO %I', s, g);
            END IF;
        END LOOP;
    END LOOP;
    FOR r IN SELECT * FROM tabel_rights LOOP
        CONTINUE WHEN to_regclass(r.object) IS NULL;
        FOREACH g IN ARRAY groups LOOP
            CONTINUE WHEN r.grp <> 'all' AND r.grp <> g;
            EXECUTE format('GRANT %s ON %s TO %I', r.privileges, r.object, g);
            IF r.privileges LIKE '%INSERT%' AND EXISTS (SELECT 1 FROM pg_attribute
                    WHERE attrelid = r.object::regclass AND attname = 'id' AND NOT attisdropped) THEN
                seq := pg_get_serial_sequence(r.object, 'id');
                IF seq IS NOT NULL THEN
                    EXECUTE format('GRANT USAGE ON SEQUENCE %s TO %I', seq, g);
                END IF;
            END IF;
        END LOOP;
    END LOOP;
END
$$;

-- A person's login role in the group of a mode ('viewer', 'foreman', 'warehouse' or 'full'); made, or its
-- password (when not NULL) and group changed. Run by whoever may create roles: it has no rights of its own.
CREATE OR REPLACE FUNCTION accounts_dep.tabel_person(person text, password text, mode text)
RETURNS void LANGUAGE plpgsql SECURITY INVOKER AS $$
DECLARE
    grp text := 'tabel_' || mode;
    g text;
BEGIN
    IF mode IS NULL OR mode NOT IN ('viewer', 'foreman', 'warehouse', 'full') THEN
        RAISE EXCEPTION 'mode must be viewer, foreman, warehouse or full, not %', coalesce(mode, 'NULL');
    END IF;
    IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = person) THEN
        EXECUTE format('CREATE ROLE %I LOGIN', person);
    END IF;
    EXECUTE format('ALTER ROLE %I LOGIN', person);
    IF password IS NOT NULL THEN
        EXECUTE format('ALTER ROLE %I PASSWORD %L', person, password);
    END IF;
    -- One group only: the client's mode follows it.
    FOREACH g IN ARRAY ARRAY['tabel_viewer', 'tabel_foreman', 'tabel_warehouse', 'tabel_full'] LOOP
        IF g <> grp AND EXISTS (SELECT 1 FROM pg_auth_members m
                JOIN pg_roles gr ON gr.oid = m.roleid JOIN pg_roles p ON p.oid = m.member
                WHERE gr.rolname = g AND p.rolname = person) THEN
            EXECUTE format('REVOKE %I FROM %I', g, person);
        END IF;
    END LOOP;
    IF NOT EXISTS (SELECT 1 FROM pg_auth_members m
            JOIN pg_roles gr ON gr.oid = m.roleid JOIN pg_roles p ON p.oid = m.member
            WHERE gr.rolname = grp AND p.rolname = person) THEN
        EXECUTE format('GRANT %I TO %I', grp, person);
    END IF;
END
$$;
REVOKE ALL ON FUNCTION accounts_dep.tabel_person(text, text, text) FROM PUBLIC;

COMMIT;

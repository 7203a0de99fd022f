-- Live refresh: every change of what the windows show is announced on the channel tabel_live, so that every
-- workstation can bring its open views up to date without the user pressing «Обновить».
--
-- Loaded by db/schema.sql and sent by the client's "Структура БД" command, step by step (see
-- closed_months_audit.sql); every statement is idempotent.
--
-- One notification per statement (statement triggers with transition tables), its payload a JSON object:
--   {"table": "accounts_dep.smena", "days": ["2024-03-06 1", ...]}   dates and shifts of the shift records
--   {"table": "accounts_dep.fatigue", "days": [...], "months": [202403, ...]}   maintenance entries
--   {"table": "accounts_dep.h_tabel", "months": [202403, ...]}   time-sheet rows (year * 100 + month)
--   {"table": "accounts_dep.oper"}                              a reference book (any row)
-- A statement touching more days than fit the payload names their months instead ("months" only). TRUNCATE
-- names the table alone; a statement that wrote no row of the three keyed tables announces nothing. The server
-- delivers the notifications at commit and drops identical ones of one transaction, so a month rebuild sends a
-- handful, not one per row.

-- step: Оповещения об изменениях
-- The payload of a set of keys: days listed while they fit, otherwise their months.
CREATE OR REPLACE FUNCTION accounts_dep.live_send(p_table text, p_days text[], p_months int[]) RETURNS void
LANGUAGE plpgsql AS $f$
DECLARE
    body jsonb := jsonb_build_object('table', p_table);
BEGIN
    IF p_days IS NOT NULL AND cardinality(p_days) > 0 AND cardinality(p_days) <= 200 THEN
        body := body || jsonb_build_object('days', to_jsonb(p_days));
    ELSIF p_days IS NOT NULL AND cardinality(p_days) > 200 THEN
        p_months := ARRAY(SELECT DISTINCT m FROM unnest(coalesce(p_months, '{}') || ARRAY(
                        SELECT (left(d, 4)::int * 100 + substr(d, 6, 2)::int) FROM unnest(p_days) d)) m
                        WHERE m IS NOT NULL ORDER BY 1);
    END IF;
    IF p_months IS NOT NULL AND cardinality(p_months) > 0 THEN
        body := body || jsonb_build_object('months', to_jsonb(p_months));
    END IF;
    PERFORM pg_notify('tabel_live', body::text);
END
$f$;

-- Shift records: the dates and shifts of the rows before and after the statement.
CREATE OR REPLACE FUNCTION accounts_dep.live_smena() RETURNS trigger
LANGUAGE plpgsql AS $f$
DECLARE
    days text[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        days := ARRAY(SELECT DISTINCT data::text || ' ' || coalesce(smena, 0) FROM new_rows
                       WHERE data IS NOT NULL ORDER BY 1);
    ELSIF TG_OP = 'DELETE' THEN
        days := ARRAY(SELECT DISTINCT data::text || ' ' || coalesce(smena, 0) FROM old_rows
                       WHERE data IS NOT NULL ORDER BY 1);
    ELSE
        days := ARRAY(SELECT DISTINCT k FROM (
                          SELECT data::text || ' ' || coalesce(smena, 0) AS k FROM old_rows WHERE data IS NOT NULL
                          UNION
                          SELECT data::text || ' ' || coalesce(smena, 0) FROM new_rows WHERE data IS NOT NULL) x
                       ORDER BY 1);
    END IF;
    IF cardinality(days) > 0 THEN
        PERFORM accounts_dep.live_send(TG_TABLE_SCHEMA || '.' || TG_TABLE_NAME, days, NULL);
    END IF;
    RETURN NULL;
END
$f$;

-- Maintenance entries: their dates and shifts, and their months (an entry may name its month alone).
CREATE OR REPLACE FUNCTION accounts_dep.live_fatigue() RETURNS trigger
LANGUAGE plpgsql AS $f$
DECLARE
    k jsonb;
BEGIN
    -- The keys of a row: its date and shift, and its month (from the date, else the row's own month).
    IF TG_OP = 'INSERT' THEN
        SELECT jsonb_build_object('d', ARRAY(SELECT DISTINCT d_date::text || ' ' || coalesce(i_smena, 0)
                                               FROM new_rows WHERE d_date IS NOT NULL ORDER BY 1),
                                  'm', ARRAY(SELECT DISTINCT coalesce((date_part('year', d_date) * 100
                                                 + date_part('month', d_date))::int, i_year * 100 + i_mnth) ym
                                               FROM new_rows ORDER BY 1))
          INTO k;
    ELSIF TG_OP = 'DELETE' THEN
        SELECT jsonb_build_object('d', ARRAY(SELECT DISTINCT d_date::text || ' ' || coalesce(i_smena, 0)
                                               FROM old_rows WHERE d_date IS NOT NULL ORDER BY 1),
                                  'm', ARRAY(SELECT DISTINCT coalesce((date_part('year', d_date) * 100
                                                 + date_part('month', d_date))::int, i_year * 100 + i_mnth) ym
                                               FROM old_rows ORDER BY 1))
          INTO k;
    ELSE
        SELECT jsonb_build_object('d', ARRAY(SELECT DISTINCT d_date::text || ' ' || coalesce(i_smena, 0)
                                               FROM (SELECT d_date, i_smena FROM old_rows
                                                     UNION ALL SELECT d_date, i_smena FROM new_rows) r
                                              WHERE d_date IS NOT NULL ORDER BY 1),
                                  'm', ARRAY(SELECT DISTINCT coalesce((date_part('year', d_date) * 100
                                                 + date_part('month', d_date))::int, i_year * 100 + i_mnth) ym
                                               FROM (SELECT d_date, i_year, i_mnth FROM old_rows
                                                     UNION ALL SELECT d_date, i_year, i_mnth FROM new_rows) r
                                              ORDER BY 1))
          INTO k;
    END IF;
    IF jsonb_array_length(k->'d') > 0 OR jsonb_array_length(k->'m') > 0 THEN
        PERFORM accounts_dep.live_send(TG_TABLE_SCHEMA || '.' || TG_TABLE_NAME,
                                       ARRAY(SELECT jsonb_array_elements_text(k->'d')),
                                       ARRAY(SELECT e::int FROM jsonb_array_elements_text(k->'m') e
                                              WHERE e <> 'null'));
    END IF;
    RETURN NULL;
END
$f$;

-- Time-sheet rows: their months.
CREATE OR REPLACE FUNCTION accounts_dep.live_h_tabel() RETURNS trigger
LANGUAGE plpgsql AS $f$
DECLARE
    months int[];
BEGIN
    IF TG_OP = 'INSERT' THEN
        months := ARRAY(SELECT DISTINCT year * 100 + month FROM new_rows
                         WHERE year IS NOT NULL AND month IS NOT NULL ORDER BY 1);
    ELSIF TG_OP = 'DELETE' THEN
        months := ARRAY(SELECT DISTINCT year * 100 + month FROM old_rows
                         WHERE year IS NOT NULL AND month IS NOT NULL ORDER BY 1);
    ELSE
        months := ARRAY(SELECT DISTINCT ym FROM (
                            SELECT year * 100 + month AS ym FROM old_rows
                            UNION
                            SELECT year * 100 + month FROM new_rows) x
                         WHERE ym IS NOT NULL ORDER BY 1);
    END IF;
    IF cardinality(months) > 0 THEN
        PERFORM accounts_dep.live_send(TG_TABLE_SCHEMA || '.' || TG_TABLE_NAME, NULL, months);
    END IF;
    RETURN NULL;
END
$f$;

-- A reference book, or a TRUNCATE of any of the tables: the table alone.
CREATE OR REPLACE FUNCTION accounts_dep.live_table() RETURNS trigger
LANGUAGE plpgsql AS $f$
BEGIN
    PERFORM accounts_dep.live_send(TG_TABLE_SCHEMA || '.' || TG_TABLE_NAME, NULL, NULL);
    RETURN NULL;
END
$f$;

-- Puts the announcing triggers on a table: with p_function, one statement trigger per event with its
-- transition tables (only one event per such trigger); without, one statement trigger for every event.
-- TRUNCATE always announces the table alone.
CREATE OR REPLACE FUNCTION accounts_dep.live_on(p_schema text, p_table text, p_function text) RETURNS void
LANGUAGE plpgsql AS $f$
DECLARE
    ev text;
BEGIN
    FOREACH ev IN ARRAY ARRAY['ins', 'upd', 'del', 'all'] LOOP
        EXECUTE format('DROP TRIGGER IF EXISTS %I ON %I.%I', p_table || '_live_' || ev, p_schema, p_table);
    END LOOP;
    IF p_function IS NOT NULL THEN
        FOREACH ev IN ARRAY ARRAY['ins', 'upd', 'del'] LOOP
            EXECUTE format('CREATE TRIGGER %I AFTER %s ON %I.%I %s FOR EACH STATEMENT EXECUTE FUNCTION %s()',
                           p_table || '_live_' || ev,
                           CASE ev WHEN 'ins' THEN 'INSERT' WHEN 'upd' THEN 'UPDATE' ELSE 'DELETE' END,
                           p_schema, p_table,
                           CASE ev WHEN 'ins' THEN 'REFERENCING NEW TABLE AS new_rows'
                                   WHEN 'upd' THEN 'REFERENCING OLD TABLE AS old_rows NEW TABLE AS new_rows'
                                   ELSE 'REFERENCING OLD TABLE AS old_rows' END,
                           p_function);
        END LOOP;
        EXECUTE format('CREATE TRIGGER %I AFTER TRUNCATE ON %I.%I FOR EACH STATEMENT '
                       'EXECUTE FUNCTION accounts_dep.live_table()', p_table || '_live_all', p_schema, p_table);
    ELSE
        EXECUTE format('CREATE TRIGGER %I AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON %I.%I '
                       'FOR EACH STATEMENT EXECUTE FUNCTION accounts_dep.live_table()',
                       p_table || '_live_all', p_schema, p_table);
    END IF;
END
$f$;

-- step: Оповещения журнала, табелей и справочников
SELECT accounts_dep.live_on('accounts_dep', 'smena', 'accounts_dep.live_smena');
SELECT accounts_dep.live_on('accounts_dep', 'fatigue', 'accounts_dep.live_fatigue');
SELECT accounts_dep.live_on('accounts_dep', 'h_tabel', 'accounts_dep.live_h_tabel');
SELECT accounts_dep.live_on('accounts_dep', 'oper', NULL);
SELECT accounts_dep.live_on('accounts_dep', 'norm', NULL);
SELECT accounts_dep.live_on('accounts_dep', 'vid_oper', NULL);
SELECT accounts_dep.live_on('accounts_dep', 'person', NULL);

-- step: Оповещения справочников предприятия
-- Workers, products and nomenclature groups are tables of the ERP: on a plant database this needs their owner.
SELECT accounts_dep.live_on('cmn_contractor', 'person', NULL);
SELECT accounts_dep.live_on('cmn_gds_and_srv', 'gds_and_srv', NULL);
SELECT accounts_dep.live_on('cmn_classifier', 'item', NULL);

-- (Further steps go after this line; keep every statement idempotent.)

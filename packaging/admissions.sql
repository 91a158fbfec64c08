-- SPDX-License-Identifier: GPL-3.0-or-later
-- The table the admission loggers of ZUL set deliver to (zulset-cli log-admissions --database),
-- and the roles to give people: zulset_logger (each logger's user is made a member: it may
-- insert, nothing else) and zulset_report (reading, for reports). Run it once in the database,
-- as its owner:   psql -d zulset -f /usr/share/zulset/admissions.sql
-- Running it again changes nothing.

CREATE TABLE IF NOT EXISTS admissions (
  unit        text        NOT NULL,  -- the logger's --unit: ttyUSB0@gatehost unless named
  file        text        NOT NULL,  -- the daily file, e.g. admiss2026-12-09.csv
  line        integer     NOT NULL,  -- the record's line in that file, from 1
  called_at   timestamptz,           -- the record's date and time (NULL: the key was unreadable)
  caller      text,                  -- the caller's name in the SIM phone book
  number      text,                  -- the caller's number
  relay       text,                  -- the relay's name (RelA, RelB of the logger's settings)
  record      text        NOT NULL,  -- the line as it stands in the file
  received_at timestamptz NOT NULL DEFAULT now(),
  -- A record is known for good by where it stands: sent twice, it is one row.
  PRIMARY KEY (unit, file, line)
);

CREATE INDEX IF NOT EXISTS admissions_unit_called_at ON admissions (unit, called_at);

DO $$
BEGIN
  CREATE ROLE zulset_logger NOLOGIN;
EXCEPTION WHEN duplicate_object THEN NULL;
END $$;
DO $$
BEGIN
  CREATE ROLE zulset_report NOLOGIN;
EXCEPTION WHEN duplicate_object THEN NULL;
END $$;

REVOKE ALL ON admissions FROM PUBLIC;
GRANT INSERT ON admissions TO zulset_logger;
GRANT SELECT ON admissions TO zulset_report;

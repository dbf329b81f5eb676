-- The system database of refhost: users and settings of the application.
CREATE TABLE UZYTKOWNICY (
  ID INTEGER PRIMARY KEY,
  LOGIN TEXT NOT NULL UNIQUE,
  IMIE_NAZWISKO TEXT NOT NULL,
  ROLA TEXT NOT NULL
);
INSERT INTO UZYTKOWNICY (ID, LOGIN, IMIE_NAZWISKO, ROLA) VALUES
  (1, 'admin', 'Administrator Systemu', 'ADMINISTRATOR'),
  (2, 'mkowalska', 'Małgorzata Kowalska', 'KSIĘGOWA'),
  (3, 'jwisniewski', 'Jerzy Wiśniewski', 'MAGAZYNIER');

CREATE TABLE PARAMETRY (
  NAZWA TEXT PRIMARY KEY,
  WARTOSC TEXT
);
INSERT INTO PARAMETRY (NAZWA, WARTOSC) VALUES
  ('FIRMA', 'Hurtownia „Pod Kłosem”'),
  ('WALUTA', 'PLN'),
  ('WERSJA_BAZY', '14');

-- The ordinary database of refhost: contractors and goods of a small firm.
CREATE TABLE KONTRAHENCI (
  ID INTEGER PRIMARY KEY,
  NAZWA TEXT NOT NULL,
  MIASTO TEXT,
  NIP TEXT,
  AKTYWNY INTEGER NOT NULL DEFAULT 1
);
INSERT INTO KONTRAHENCI (ID, NAZWA, MIASTO, NIP, AKTYWNY) VALUES
  (1, 'Przedsiębiorstwo Handlowe „Żuraw” Sp. z o.o.', 'Łódź', '725-000-11-22', 1),
  (2, 'Zakład Ślusarski Józef Gęślarz', 'Gdańsk', '583-100-20-30', 1),
  (3, 'Hurtownia Spożywcza "Pod Kłosem"; oddział 2', 'Kraków', '676-200-30-40', 0),
  (4, 'Świętokrzyskie Młyny S.A.', 'Kielce', '657-300-40-50', 1),
  (5, 'Źródło Wód Mineralnych Bąk i Syn', 'Szczawnica', '735-400-50-60', 1);

CREATE TABLE TOWARY (
  ID INTEGER PRIMARY KEY,
  NAZWA TEXT NOT NULL,
  JEDNOSTKA TEXT NOT NULL,
  CENA NUMERIC NOT NULL,
  STAN INTEGER NOT NULL
);
INSERT INTO TOWARY (ID, NAZWA, JEDNOSTKA, CENA, STAN) VALUES
  (1, 'Mąka żytnia typ 720', 'kg', 3.49, 1200),
  (2, 'Kasza gryczana prażona', 'kg', 7.99, 340),
  (3, 'Śledź w oleju', 'szt.', 12.5, 75),
  (4, 'Ćwiartka z kurczaka', 'kg', 9.2, 0),
  (5, 'Olej rzepakowy tłoczony na zimno', 'l', 14.0, 48),
  (6, 'Żurek śląski w butelce', 'szt.', 6.75, 210);

-- The log database as it comes with the program: the schema of the current version and
-- the reference rows the program relies on. Integer and text columns check what they get,
-- as the old Access file did, so a value that does not fit is refused, never cut.

CREATE TABLE Contest (
  ContestRowid INTEGER PRIMARY KEY,
  ContestName TEXT(255) COLLATE NOCASE
    CONSTRAINT "ContestName: не длиннее 255 знаков" CHECK (length(ContestName) <= 255),
  ContestDTStart DATETIME,
  ContestDTStop DATETIME,
  ContestActual BOOLEAN NOT NULL DEFAULT FALSE
);

-- ContestListFrequency: MHz, as the rig gave it; empty for a contact typed without a rig.
-- The last six columns serve a contest shared with other positions: a contact's global id,
-- its version (with when and where it was made) and the position that logged it; they stay
-- empty for the others.
CREATE TABLE ContestList (
  ContestListRowid INTEGER PRIMARY KEY AUTOINCREMENT,
  IdContest INTEGER
    CONSTRAINT "IdContest: целое число" CHECK (IdContest IS NULL OR (typeof(IdContest) = 'integer' AND IdContest BETWEEN -2147483648 AND 2147483647)),
  IdBand INTEGER
    CONSTRAINT "IdBand: целое число" CHECK (IdBand IS NULL OR (typeof(IdBand) = 'integer' AND IdBand BETWEEN -2147483648 AND 2147483647)),
  ContestListDateTime DATETIME,
  ContestListCall TEXT(255) COLLATE NOCASE
    CONSTRAINT "ContestListCall: не длиннее 255 знаков" CHECK (length(ContestListCall) <= 255),
  ContestListQTH TEXT(6) COLLATE NOCASE
    CONSTRAINT "ContestListQTH: не длиннее 6 знаков" CHECK (length(ContestListQTH) <= 6),
  IdModulation INTEGER
    CONSTRAINT "IdModulation: целое число" CHECK (IdModulation IS NULL OR (typeof(IdModulation) = 'integer' AND IdModulation BETWEEN -2147483648 AND 2147483647)),
  ContestListSendNum SMALLINT
    CONSTRAINT "ContestListSendNum: целое от -32768 до 32767" CHECK (ContestListSendNum IS NULL OR (typeof(ContestListSendNum) = 'integer' AND ContestListSendNum BETWEEN -32768 AND 32767)),
  ContestListSendRST SMALLINT
    CONSTRAINT "ContestListSendRST: целое от -32768 до 32767" CHECK (ContestListSendRST IS NULL OR (typeof(ContestListSendRST) = 'integer' AND ContestListSendRST BETWEEN -32768 AND 32767)),
  ContestListReceivedNum SMALLINT
    CONSTRAINT "ContestListReceivedNum: целое от -32768 до 32767" CHECK (ContestListReceivedNum IS NULL OR (typeof(ContestListReceivedNum) = 'integer' AND ContestListReceivedNum BETWEEN -32768 AND 32767)),
  ContestListReceivedRST SMALLINT
    CONSTRAINT "ContestListReceivedRST: целое от -32768 до 32767" CHECK (ContestListReceivedRST IS NULL OR (typeof(ContestListReceivedRST) = 'integer' AND ContestListReceivedRST BETWEEN -32768 AND 32767)),
  ContestListDistance FLOAT,
  ContestListAzimut SMALLINT
    CONSTRAINT "ContestListAzimut: целое от -32768 до 32767" CHECK (ContestListAzimut IS NULL OR (typeof(ContestListAzimut) = 'integer' AND ContestListAzimut BETWEEN -32768 AND 32767)),
  ContestListResult SMALLINT
    CONSTRAINT "ContestListResult: целое от -32768 до 32767" CHECK (ContestListResult IS NULL OR (typeof(ContestListResult) = 'integer' AND ContestListResult BETWEEN -32768 AND 32767)),
  ContestListFrequency FLOAT,
  ContestListUuid TEXT,
  ContestListVersion INTEGER,
  ContestListEdited INTEGER,
  ContestListEditedBy TEXT,
  ContestListPositionId TEXT,
  ContestListPosition TEXT
);

-- The log of one contest on one band in serial order (holding every column, so that the
-- grid reads it from the index alone), and the earlier contacts of a call.
CREATE INDEX ContestListByBand ON ContestList (IdContest, IdBand, ContestListSendNum, ContestListRowid,
  ContestListDateTime, ContestListCall, ContestListQTH, IdModulation, ContestListSendRST, ContestListReceivedNum,
  ContestListReceivedRST, ContestListDistance, ContestListAzimut, ContestListResult, ContestListFrequency);
CREATE INDEX ContestListByCall ON ContestList (ContestListCall, IdContest, IdBand, IdModulation, ContestListDateTime);
CREATE UNIQUE INDEX ContestListByUuid ON ContestList (ContestListUuid) WHERE ContestListUuid IS NOT NULL;

-- The contests shared through a server with the last change taken from it, the changes made
-- here and not yet sent (in order, each a whole copy of the contact or its tombstone), and the
-- bands held in the shared contests as last heard.
CREATE TABLE ShareContest (IdContest INTEGER PRIMARY KEY, ShareContestUuid TEXT NOT NULL UNIQUE, ShareLastChange INTEGER NOT NULL DEFAULT 0);
CREATE TABLE ShareOutbox (ShareOutboxRowid INTEGER PRIMARY KEY, ShareContestUuid TEXT NOT NULL, ContestListUuid TEXT NOT NULL, ContestListVersion INTEGER, ContestListEdited INTEGER, ContestListEditedBy TEXT, ContestListPositionId TEXT, ContestListPosition TEXT, ShareDeleted INTEGER NOT NULL DEFAULT 0, IdBand INTEGER, ContestListDateTime DATETIME, ContestListCall TEXT, ContestListQTH TEXT, IdModulation INTEGER, ContestListSendNum INTEGER, ContestListSendRST INTEGER, ContestListReceivedNum INTEGER, ContestListReceivedRST INTEGER, ContestListDistance FLOAT, ContestListAzimut INTEGER, ContestListResult INTEGER, ContestListFrequency FLOAT);
CREATE TABLE ShareLease (IdContest INTEGER NOT NULL, IdBand INTEGER NOT NULL, ShareLeaseHolder TEXT, ShareLeaseHolderName TEXT, ShareLeaseSilent INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (IdContest, IdBand));

CREATE TABLE ContestListRead (IdBand INT, ContestListDateTime DATETIME, ContestListCall text(15), ContestListQTH text(6), IdModulation INT, ContestListSendNum INT, ContestListSendRST INT, ContestListReceivedNum  INT, ContestListReceivedRST INT, ContestListDistance float, ContestListResult INT, ContestListAzimut INT);

-- BandTransverterOffset: MHz, rig frequency + offset = frequency on the band; 0 without a
-- transverter.
CREATE TABLE Band (
  BandRowid INTEGER PRIMARY KEY,
  BandName TEXT(50) COLLATE NOCASE,
  BandFrequency TEXT(100),
  BandPoint1km FLOAT,
  BandFileNumber INT,
  BandTransverterOffset FLOAT
    CONSTRAINT "BandTransverterOffset: число" CHECK (BandTransverterOffset IS NULL OR typeof(BandTransverterOffset) IN ('integer', 'real'))
);

INSERT INTO Band (BandRowid, BandName, BandFrequency, BandPoint1km, BandFileNumber, BandTransverterOffset) VALUES
  (144, '144 MHz', '144 - 146 МГц', 1, 1, 0),
  (432, '432 MHz', '430 - 440 МГц', 2, 2, 0),
  (1300, '1,3 GHz', '1240 - 1300 МГц', 3, 3, 0),
  (2300, '2,3 GHz', '2300 - 2450 МГц', 4, 4, 0),
  (5700, '5,7 GHz', '5650 - 5850 МГц', 5, 5, 0),
  (10000, '10 GHz', '10,0 - 10,5 ГГц', 6, 6, 0),
  (24000, '24 GHz', '24,0 - 24,25 ГГц', 7, 7, 0);

-- Calls and locators imported from list files; each pair once.
CREATE TABLE CallList (CallListRowid INTEGER PRIMARY KEY, CallListCall TEXT(15) COLLATE NOCASE NOT NULL, CallListQTH TEXT(6) COLLATE NOCASE NOT NULL DEFAULT '', UNIQUE (CallListCall, CallListQTH));

-- The keys 0-9 are the REG1TEST mode codes; positions 1 and 2 of the list are SSB and CW. The
-- modes of WSJT-X follow above them. ModulationEdiCode: the code an EDI file writes, 7 (the
-- machine-generated modes) for the digital ones.
CREATE TABLE Modulation (
  ModulationRowid INTEGER PRIMARY KEY,
  ModulationName TEXT(50) COLLATE NOCASE,
  ModulationEdiCode INT
);

INSERT INTO Modulation (ModulationRowid, ModulationName, ModulationEdiCode) VALUES
  (0, '-', 0), (1, 'SSB', 1), (2, 'CW', 2), (3, 'SSB/CW', 3), (4, 'CW/SSB', 4),
  (5, 'AM', 5), (6, 'FM', 6), (7, 'RTTY', 7), (8, 'SSTV', 8), (9, 'ATV', 9),
  (10, 'FT8', 7), (11, 'FT4', 7), (12, 'MSK144', 7), (13, 'Q65', 7);

-- Contacts from WSJT-X that could not be saved: when they came, why, and the ADIF record.
CREATE TABLE DigitalUnsaved (DigitalUnsavedRowid INTEGER PRIMARY KEY, DigitalUnsavedReceived DATETIME,
  DigitalUnsavedReason TEXT, DigitalUnsavedRecord TEXT);

CREATE TABLE Grade (
  GradeRowid INTEGER PRIMARY KEY,
  GradeName TEXT(100),
  GradeSmallName TEXT(20),
  GradeCode INT
);

INSERT INTO Grade (GradeRowid, GradeName, GradeSmallName, GradeCode) VALUES
  (0, 'Нет', '-', 0),
  (1, 'Мастер спорта международного класса', 'МСМК', 5),
  (2, 'Мастер спорта', 'МС', 5),
  (3, 'Кандидат в мастера спорта', 'КМС', 4),
  (4, 'Первый разряд', '1 разряд', 3),
  (5, 'Второй разряд', '2 разряд', 2),
  (6, 'Третий разряд', '3 разряд', 1);

CREATE TABLE Country (
  CountryRowid INTEGER PRIMARY KEY,
  CountryName TEXT(100) COLLATE NOCASE
);

INSERT INTO Country (CountryName) VALUES
  ('Австралия'),
  ('Австрия'),
  ('Азербайджан'),
  ('Албания'),
  ('Алжир'),
  ('Ангола'),
  ('Андорра'),
  ('Аргентина'),
  ('Армения'),
  ('Афганистан'),
  ('Бангладеш'),
  ('Бахрейн'),
  ('Беларусь'),
  ('Бельгия'),
  ('Болгария'),
  ('Боливия'),
  ('Босния и Герцеговина'),
  ('Ботсвана'),
  ('Бразилия'),
  ('Бруней'),
  ('Великобритания'),
  ('Венгрия'),
  ('Венесуэла'),
  ('Вьетнам'),
  ('Габон'),
  ('Гана'),
  ('Гватемала'),
  ('Германия'),
  ('Гондурас'),
  ('Гренландия'),
  ('Греция'),
  ('Грузия'),
  ('Дания'),
  ('Доминиканская Республика'),
  ('Египет'),
  ('Замбия'),
  ('Зимбабве'),
  ('Израиль'),
  ('Индия'),
  ('Индонезия'),
  ('Иордания'),
  ('Ирак'),
  ('Иран'),
  ('Ирландия'),
  ('Исландия'),
  ('Испания'),
  ('Италия'),
  ('Йемен'),
  ('Казахстан'),
  ('Камбоджа'),
  ('Камерун'),
  ('Канада'),
  ('Катар'),
  ('Кения'),
  ('Кипр'),
  ('Киргизия'),
  ('Китай'),
  ('Колумбия'),
  ('Коста-Рика'),
  ('Куба'),
  ('Кувейт'),
  ('Лаос'),
  ('Латвия'),
  ('Ливан'),
  ('Ливия'),
  ('Литва'),
  ('Лихтенштейн'),
  ('Люксембург'),
  ('Маврикий'),
  ('Мадагаскар'),
  ('Малайзия'),
  ('Мали'),
  ('Мальта'),
  ('Марокко'),
  ('Мексика'),
  ('Мозамбик'),
  ('Молдова'),
  ('Монако'),
  ('Монголия'),
  ('Мьянма'),
  ('Намибия'),
  ('Непал'),
  ('Нигерия'),
  ('Нидерланды'),
  ('Никарагуа'),
  ('Новая Зеландия'),
  ('Норвегия'),
  ('Объединённые Арабские Эмираты'),
  ('Оман'),
  ('Пакистан'),
  ('Панама'),
  ('Парагвай'),
  ('Перу'),
  ('Польша'),
  ('Португалия'),
  ('Россия'),
  ('Румыния'),
  ('Сальвадор'),
  ('Сан-Марино'),
  ('Саудовская Аравия'),
  ('Северная Македония'),
  ('Сенегал'),
  ('Сербия'),
  ('Сингапур'),
  ('Сирия'),
  ('Словакия'),
  ('Словения'),
  ('США'),
  ('Таджикистан'),
  ('Таиланд'),
  ('Танзания'),
  ('Тунис'),
  ('Туркмения'),
  ('Турция'),
  ('Уганда'),
  ('Узбекистан'),
  ('Украина'),
  ('Уругвай'),
  ('Фарерские острова'),
  ('Филиппины'),
  ('Финляндия'),
  ('Франция'),
  ('Хорватия'),
  ('Черногория'),
  ('Чехия'),
  ('Чили'),
  ('Швейцария'),
  ('Швеция'),
  ('Шри-Ланка'),
  ('Эквадор'),
  ('Эстония'),
  ('Эфиопия'),
  ('ЮАР'),
  ('Южная Корея'),
  ('Ямайка'),
  ('Япония');

-- A name that begins with "M" marks a station with several operators.
CREATE TABLE StationType (
  StationTypeRowid INTEGER PRIMARY KEY,
  StationTypeName TEXT(50),
  StationTypeComment TEXT(255)
);

INSERT INTO StationType (StationTypeRowid, StationTypeName, StationTypeComment) VALUES
  (1, 'SINGLE', 'Один оператор'),
  (2, 'MULTI', 'Несколько операторов'),
  (3, 'SINGLE-6H', 'Один оператор, 6 часов'),
  (4, 'MULTI-6H', 'Несколько операторов, 6 часов');

CREATE TABLE Period (PeriodRowid int, PeriodName text(30), primary key (PeriodRowid));

INSERT INTO Period (PeriodRowid, PeriodName) VALUES
  (60, '1 минута'), (300, '5 минут'), (600, '10 минут'), (900, '15 минут'), (1200, '20 минут'),
  (1800, '30 минут'), (3600, '1 час'), (7200, '2 часа'), (10800, '3 часа'), (21600, '6 часов'),
  (43200, '12 часов'), (86400, '24 часа'), (259200, '3 суток'), (604800, '1 неделя');

CREATE TABLE Setting (
  SettingName TEXT(64) COLLATE NOCASE,
  SettingParamStr TEXT,
  SettingParamInt INTEGER
);

-- Settings are looked up by prefix, so within a family the rows go in index order: an
-- exact name must come before the longer names that begin with it.
INSERT INTO Setting (SettingName, SettingParamInt) VALUES
  ('GridColumnWidth0', 55), ('GridColumnWidth1', 56), ('GridColumnWidth2', 80), ('GridColumnWidth3', 56),
  ('GridColumnWidth4', 45), ('GridColumnWidth5', 34), ('GridColumnWidth6', 40), ('GridColumnWidth7', 34),
  ('GridColumnWidth8', 40), ('GridColumnWidth9', 40), ('GridColumnWidth10', 46), ('GridColumnWidth11', 42);
-- The mode column is wide enough for "MSK144" already: no log made from here is widened again.
INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('GridModeColumnWidened', 1);

INSERT INTO Setting (SettingName, SettingParamStr) VALUES
  ('GridColumnTitleCaptionRu0', 'Диап.'), ('GridColumnTitleCaptionRu1', 'Вид'),
  ('GridColumnTitleCaptionRu2', 'Позывной'), ('GridColumnTitleCaptionRu3', 'QTH'),
  ('GridColumnTitleCaptionRu4', 'Время'), ('GridColumnTitleCaptionRu5', 'Пер.|RST'),
  ('GridColumnTitleCaptionRu6', 'Пер.|№'), ('GridColumnTitleCaptionRu7', 'Прин.|RST'),
  ('GridColumnTitleCaptionRu8', 'Прин.|№'), ('GridColumnTitleCaptionRu9', 'Азим.'),
  ('GridColumnTitleCaptionRu10', 'Км'), ('GridColumnTitleCaptionRu11', 'Очки'),
  ('GridColumnTitleHintRu0', 'Диапазон'),
  ('GridColumnTitleHintRu1', 'Тип работы'),
  ('GridColumnTitleHintRu2', 'Позывной корреспондента'),
  ('GridColumnTitleHintRu3', 'Местопложение корреспондента'),
  ('GridColumnTitleHintRu4', 'Дата и время связи'),
  ('GridColumnTitleHintRu5', 'Передали оценку качества сигнала'),
  ('GridColumnTitleHintRu6', 'Передали свой номер'),
  ('GridColumnTitleHintRu7', 'Получили оценку качества своего сигнала от корреспондента'),
  ('GridColumnTitleHintRu8', 'Получили номер от корреспондента'),
  ('GridColumnTitleHintRu9', 'Азимут от нас до корреспондента'),
  ('GridColumnTitleHintRu10', 'Расстояние между корреспондентами'),
  ('GridColumnTitleHintRu11', 'Очки за связь. Высчитываются в зависимости от расстояния и коэф.');

INSERT INTO Setting (SettingName, SettingParamInt) VALUES
  ('Grid2ColumnWidth0', 70), ('Grid2ColumnWidth1', 100), ('Grid2ColumnWidth2', 50);

INSERT INTO Setting (SettingName, SettingParamStr) VALUES
  ('Grid2ColumnTitleCaptionRu0', 'CALL'), ('Grid2ColumnTitleCaptionRu1', 'Дата/Время'),
  ('Grid2ColumnTitleCaptionRu2', 'Диап.'),
  ('Grid2ColumnTitleHintRu0', 'Позывной'), ('Grid2ColumnTitleHintRu1', 'Дата и время связи'),
  ('Grid2ColumnTitleHintRu2', 'Диапазон'),
  ('GridPeriodColumnTitleCaptionRu0', 'Позывной'), ('GridPeriodColumnTitleCaptionRu1', 'Посл.связь'),
  ('GridPeriodColumnTitleCaptionRu2', 'Сл.связь, не ранее'), ('GridPeriodColumnTitleCaptionRu3', 'Прошло'),
  ('GridPeriodColumnTitleCaptionRu4', 'Осталось');

INSERT INTO Setting (SettingName, SettingParamInt) VALUES
  ('Period', 3), ('PeriodCbWidth1', 1), ('PeriodCbWidth2', 1), ('PeriodCbWidth3', 1), ('PeriodCbWidth4', 1),
  ('SaveOptionsFileName', 0), ('SaveOptionsFormat', 0);

INSERT INTO Setting (SettingName, SettingParamStr) VALUES ('GridOptionsSort', 'DESC');
INSERT INTO Setting (SettingName, SettingParamInt) VALUES ('GridOptionsNol', 1);

INSERT INTO Setting (SettingName, SettingParamStr) VALUES
  ('GradeName', 'Звание|Полное'), ('GradeSmallName', 'Звание|Сокращенное'), ('GradeCode', 'Код для отправки'),
  ('GradeNameHint', 'Полное название звания'), ('GradeSmallNameHint', 'Сокращенное название звания'),
  ('GradeCodeHint', 'То что отправляется в EDI файле'), ('CountryName', 'Название страны'),
  ('StationTypeName', 'Тип станции|Название'), ('StationTypeComment', 'Тип станции|Комментарий');

INSERT INTO Setting (SettingName, SettingParamInt) VALUES
  ('GridContestColumnWidth0', 260), ('GridContestColumnWidth1', 120), ('GridContestColumnWidth2', 120),
  ('GridBandColumnWidth0', 70), ('GridBandColumnWidth1', 239), ('GridBandColumnWidth2', 90),
  ('GridBandColumnWidth3', 90);

INSERT INTO Setting (SettingName, SettingParamStr) VALUES
  ('GridContestColumnTitleCaptionRu0', 'Соревнование'), ('GridContestColumnTitleCaptionRu1', 'Начало'),
  ('GridContestColumnTitleCaptionRu2', 'Окончание'),
  ('GridBandColumnTitleCaptionRu0', 'Диапазон'), ('GridBandColumnTitleCaptionRu1', 'Частоты'),
  ('GridBandColumnTitleCaptionRu2', 'Очков|за 1 км'), ('GridBandColumnTitleCaptionRu3', 'Трансвертер|сдвиг, МГц');

CREATE TABLE SettingInfo (
  SettingInfoN TEXT(20) COLLATE NOCASE,
  SettingInfoName TEXT(100),
  SettingInfoHint TEXT(255),
  SettingInfoValue TEXT(255),
  SettingInfoRequired BOOLEAN NOT NULL DEFAULT FALSE,
  SettingInfoTypeRecord INTEGER,
  SettingInfoRang INTEGER
);

-- Keys are looked up by prefix too: RName before RNameGrade, SAntH before SAntH2.
-- Rows with a rank are shown in the personal data window, in rank order.
INSERT INTO SettingInfo (SettingInfoN, SettingInfoName, SettingInfoHint, SettingInfoValue, SettingInfoRequired, SettingInfoTypeRecord, SettingInfoRang) VALUES
  ('PCall', 'Позывной станции', 'Позывной, которым станция работает в соревновании', '', TRUE, 1, 1),
  ('PWWLo', 'QTH локатор', 'Шестизначный локатор станции, например KO85UR', '', TRUE, 1, 2),
  ('PSect', 'Тип станции', 'Подгруппа: один или несколько операторов', '0', TRUE, 1, 3),
  ('PClub', 'Клуб', 'Радиоклуб или позывной коллективной станции', '', FALSE, 1, 4),
  ('RName', 'Ответственный оператор', 'Фамилия и имя ответственного оператора', '', TRUE, 1, 5),
  ('RCall', 'Позывной ответственного', 'Личный позывной ответственного оператора', '', TRUE, 1, 6),
  ('RAdr1', 'Адрес', 'Улица, дом, квартира', '', FALSE, 1, 7),
  ('RAdr2', 'Адрес (продолжение)', 'Вторая строка адреса', '', FALSE, 1, 8),
  ('RPoCo', 'Почтовый индекс', 'Почтовый индекс', '', FALSE, 1, 9),
  ('RCity', 'Город', 'Город или населённый пункт', '', FALSE, 1, 10),
  ('RCoun', 'Страна', 'Страна', NULL, FALSE, 1, 11),
  ('RPhon', 'Телефон', 'Контактный телефон', '', FALSE, 1, 12),
  ('RHBBS', 'Электронная почта', 'Адрес электронной почты', '', FALSE, 1, 13),
  ('MOpe1', 'Второй оператор', 'Позывной или имя второго оператора', '', FALSE, 1, 14),
  ('MOpe2', 'Третий оператор', 'Позывной или имя третьего оператора', '', FALSE, 1, 15),
  ('STXEq', 'Передатчик', 'Модель передатчика или трансивера', '', FALSE, 1, 16),
  ('SPowe', 'Мощность, Вт', 'Выходная мощность передатчика в ваттах', '', FALSE, 1, 17),
  ('SRXEq', 'Приёмник', 'Модель приёмника', '', FALSE, 1, 18),
  ('SAnte', 'Антенна', 'Тип антенны', '', FALSE, 1, 19),
  ('SAntH', 'Высота антенны над землёй, м', 'Высота антенны над поверхностью земли в метрах', '', FALSE, 1, 20),
  ('SAntH2', 'Высота над уровнем моря, м', 'Высота антенны над уровнем моря в метрах', '', FALSE, 1, 21),
  ('RNameGrade', 'Звание ответственного', NULL, NULL, FALSE, NULL, NULL),
  ('RNameYearOfBirth', 'Год рождения ответственного', NULL, NULL, FALSE, NULL, NULL),
  ('MOpe1Grade', 'Звание второго оператора', NULL, NULL, FALSE, NULL, NULL),
  ('MOpe1YearOfBirth', 'Год рождения второго оператора', NULL, NULL, FALSE, NULL, NULL),
  ('MOpe2Grade', 'Звание третьего оператора', NULL, NULL, FALSE, NULL, NULL),
  ('MOpe2YearOfBirth', 'Год рождения третьего оператора', NULL, NULL, FALSE, NULL, NULL);

-- The country is kept as its place in name order; start with Russia.
UPDATE SettingInfo SET SettingInfoValue =
  CAST((SELECT COUNT(*) FROM Country WHERE CountryName < 'Россия') AS TEXT)
  WHERE SettingInfoN = 'RCoun';

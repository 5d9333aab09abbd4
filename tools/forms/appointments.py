"""Writes the forms of the appointments area. Run: python3 tools/forms/appointments.py"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..'))
from formkit import *  # noqa: E402,F403

OUT = os.path.join(os.path.dirname(__file__), '..', '..', 'src', 'appointments')


def lab(name, text):
    return label(name, text, prop('class', 'string', 'fieldlabel', stdset=False))


def card():
    nav = commandbar('panNavigazione', [
        spacer('sprNavSinistra'),
        command('cmdPrimo', 'Prima', 'go-first', 22),
        command('cmdIndietro', 'Precedente', 'go-previous', 22),
        widget('QLabel', 'lblScheda', prop('text', 'string', 'Scheda n.'),
               prop('class', 'string', 'fieldlabel', stdset=False)),
        widget('QLabel', 'lblPosizione', prop('text', 'string', ''),
               prop('class', 'string', 'position', stdset=False),
               prop('alignment', 'set', 'Qt::AlignCenter'),
               prop('minimumSize', 'size', '<width>80</width><height>0</height>')),
        command('cmdAvanti', 'Successiva', 'go-next', 22),
        command('cmdUltimo', 'Ultima', 'go-last', 22),
        spacer('sprNavDestra')])
    commands = commandbar('panComandi', [
        command('cmdNuovo', 'Nuovo', 'document-new'),
        command('cmdDuplica', 'Duplica', 'edit-copy'),
        command('cmdSalva', 'Salva', 'document-save'),
        widget('QFrame', 'shpSep1', prop('frameShape', 'enum', 'QFrame::VLine'), prop('frameShadow', 'enum', 'QFrame::Sunken')),
        command('cmdTrova', 'Trova', 'edit-find'),
        command('cmdAnteprima', 'Anteprima', 'document-print-preview'),
        command('cmdStampa', 'Stampa', 'document-print'),
        widget('QFrame', 'shpSep2', prop('frameShape', 'enum', 'QFrame::VLine'), prop('frameShadow', 'enum', 'QFrame::Sunken')),
        command('cmdDaAssolvere', 'Da assolvere', 'view-calendar-tasks;view-task'),
        command('cmdScaduti', 'Scaduti', 'appointment-missed;knotes_alarm;clock'),
        command('cmdAssolti', 'Assolti', 'task-complete;checkbox'),
        command('cmdEsporta', 'Esporta archivio', 'x-office-spreadsheet'),
        spacer('sprComandi'),
        command('cmdGuida', 'Guida', 'help-contents'),
        command('cmdEsci', 'Esci', 'application-exit'),
    ])
    combo = lambda name: widget('QComboBox', name, prop('editable', 'bool', 'true'),
                                prop('maxVisibleItems', 'number', 12),
                                prop('minimumSize', 'size', '<width>70</width><height>0</height>'),
                                prop('insertPolicy', 'enum', 'QComboBox::NoInsert'))
    fields = grid('layCampi', [
        (0, 0, lab('lblData', 'Data appuntamento:')),
        (0, 1, hbox('layData', [edit('txtData', 10, prop('readOnly', 'bool', 'true'),
                                     prop('maximumSize', 'size', '<width>120</width><height>16777215</height>')),
                                picture('impData', 'view-calendar;x-office-calendar', 'Importa la data dal calendario.'),
                                spacer('sprData'),
                                lab('lblOre', 'Ore:'), combo('txtOreApp'),
                                lab('lblMinuti', 'Minuti:'), combo('txtMinutiApp'),
                                spacer('sprOra'),
                                lab('lblAvviso', 'Giorni di preavviso:'),
                                edit('txtAvviso', 3, prop('maximumSize', 'size', '<width>60</width><height>16777215</height>'))],
                          margins(0, 0, 0, 0, 6))),
        (1, 0, lab('lblTipologia', 'Tipologia:')), (1, 1, edit('txtTipologia', 50)),
        (2, 0, lab('lblCausale', 'Causale:')), (2, 1, edit('txtCausale', 250)),
        (3, 0, lab('lblDettagli', 'Dettagli:')), (3, 1, edit('txtDettagli', 250)),
        (4, 0, lab('lblContatto', 'Persona / Ditta:')),
        (4, 1, hbox('layContatto', [edit('txtContatto', 50),
                                    picture('impContatto', 'document-import;contact-new',
                                            "Importa i dati dall'archivio anagrafico dei contatti.")],
                    margins(0, 0, 0, 0, 6))),
        (5, 0, lab('lblTel', 'Telefono:')),
        (5, 1, hbox('layTelefoni', [edit('txtTel', 30), lab('lblCel', 'Cellulare:'), edit('txtCel', 30)],
                    margins(0, 0, 0, 0, 6))),
        (6, 0, lab('lblEmail', 'E-mail:')),
        (6, 1, hbox('layEmail', [edit('txtEmail', 50),
                                 picture('btnEmail', 'mail-send;mail-message-new', "Invia una e-mail all'indirizzo indicato.")],
                    margins(0, 0, 0, 0, 6))),
        (7, 0, lab('lblLuogo', 'Luogo:')), (7, 1, edit('txtLuogo', 250)),
        (8, 0, lab('lblImporto', 'Importo:')),
        (8, 1, hbox('layImporto', [edit('txtImporto', 15, prop('alignment', 'set', 'Qt::AlignRight|Qt::AlignVCenter'),
                                        prop('maximumSize', 'size', '<width>160</width><height>16777215</height>')),
                                   lab('lblEuro', '€'), spacer('sprImporto'),
                                   widget('QCheckBox', 'chkOttemperata', prop('text', 'string', 'Impegno assolto'))],
                    margins(0, 0, 0, 0, 6))),
    ], margins(0, 0, 0, 0) + '<property name="horizontalSpacing"><number>12</number></property>'
       '<property name="verticalSpacing"><number>9</number></property>')
    notes = widget('QGroupBox', 'grpNote', prop('title', 'string', 'Note'),
                   children=vbox('layNote', [edit('txtNote', 250)], margins(10, 6, 10, 10)))
    body = widget('QWidget', 'panCorpo', children=vbox('layCorpo', [fields, notes, spacer('sprCorpo', False)],
                                                      margins(24, 16, 24, 12, 14)))
    hidden = [widget('QLabel', 'lblOra', prop('visible', 'bool', 'false')),
              widget('QPushButton', 'btnFocus', prop('flat', 'bool', 'true'),
                     prop('maximumSize', 'size', '<width>0</width><height>0</height>'),
                     prop('focusPolicy', 'enum', 'Qt::StrongFocus'))]
    main = vbox('layMain', [header('Archivio appuntamenti', 'x-office-calendar'), commands, body, nav,
                            hbox('layNascosti', hidden, margins(0, 0, 0, 0, 0)), status_line()],
                margins(0, 0, 0, 0, 0), stretch='0,0,1,0,0,0')
    return form('TfrmArchivio_Scadenze', 'QWidget', ' Quirvale 5.0 - Archivio appuntamenti', 980, 640, main)


def calendar():
    body = vbox('layMain', [
        label('lblImporta', 'Importare una data:', prop('class', 'string', 'title', stdset=False)),
        widget('QCalendarWidget', 'calAppuntamenti', prop('gridVisible', 'bool', 'true'),
               prop('verticalHeaderFormat', 'enum', 'QCalendarWidget::NoVerticalHeader')),
        hbox('layComandi', [spacer('sprComandi'),
                            widget('QPushButton', 'btnImportaData', prop('text', 'string', 'Importa'),
                                   prop('iconName', 'string', 'document-import;dialog-ok', stdset=False),
                                   prop('default', 'bool', 'true')),
                            widget('QPushButton', 'btnAnnulla', prop('text', 'string', 'Annulla'),
                                   prop('iconName', 'string', 'dialog-cancel;window-close', stdset=False),
                                   prop('autoDefault', 'bool', 'false'))]),
        label('lblMemory', '', prop('visible', 'bool', 'false')),
    ], margins(16, 14, 16, 14, 10))
    return form('TfrmCalendario', 'QDialog', ' Importazione data', 400, 340, body)


def confirm(cls, title, question, ok_text, ok_icon):
    body = vbox('layMain', [
        hbox('layDomanda', [widget('QLabel', 'imgStampa', prop('iconName', 'string', ok_icon, stdset=False),
                                   prop('iconSize', 'number', 48, stdset=False)),
                            label('lblDomanda', question, prop('wordWrap', 'bool', 'true'))], margins(0, 0, 0, 0, 16)),
        hbox('layComandi', [spacer('sprComandi'),
                            widget('QPushButton', 'btnStampa', prop('text', 'string', ok_text),
                                   prop('iconName', 'string', ok_icon, stdset=False), prop('default', 'bool', 'true')),
                            widget('QPushButton', 'btnAnnulla', prop('text', 'string', 'Annulla'),
                                   prop('iconName', 'string', 'dialog-cancel;window-close', stdset=False),
                                   prop('autoDefault', 'bool', 'false'))]),
    ], margins(20, 18, 20, 16, 16))
    return form(cls, 'QDialog', title, 430, 150, body)


def write(name, text):
    write_form(OUT, name, text)


write('archivioscadenze.ui', card())
write('calendario.ui', calendar())
write('stampascadenza.ui', confirm('TfrmStampaScadenza', ' Stampa scheda',
                                   'Stampare la scheda dell\'appuntamento così come appare sullo schermo?',
                                   'Stampa', 'document-print'))
write('startup.ui', confirm('TfrmStartup', ' Anteprima di stampa',
                            'Visualizzare l\'anteprima di stampa della scheda dell\'appuntamento?',
                            'Mostra anteprima', 'document-print-preview'))


def agenda():
    badge = lambda name, text, cls: label(name, text, prop('class', 'string', cls, stdset=False),
                                          prop('alignment', 'set', 'Qt::AlignCenter'))
    pics = [widget('QLabel', 'imgAppuntamentiSI', prop('iconName', 'string', 'view-calendar-upcoming-events;appointment-new', stdset=False),
                   prop('iconSize', 'number', 40, stdset=False)),
            badge('imgPresenti', 'Ci sono appuntamenti', 'badgealert'),
            widget('QLabel', 'imgAppuntamentiNO', prop('iconName', 'string', 'view-calendar-day;x-office-calendar', stdset=False),
                   prop('iconSize', 'number', 40, stdset=False)),
            badge('imgAssenti', 'Non ci sono appuntamenti', 'badgeok')]
    big = lambda name, text, icon: widget('QToolButton', name, prop('text', 'string', text),
                                          prop('iconName', 'string', icon, stdset=False),
                                          '<property name="iconSize"><size><width>32</width><height>32</height></size></property>',
                                          prop('toolButtonStyle', 'enum', 'Qt::ToolButtonTextBesideIcon'),
                                          prop('class', 'string', 'bigbutton', stdset=False),
                                          prop('sizePolicy', 'sizepolicy', '', ) if False else
                                          '<property name="sizePolicy"><sizepolicy hsizetype="Expanding" vsizetype="Fixed"><horstretch>0</horstretch><verstretch>0</verstretch></sizepolicy></property>')
    left = vbox('laySinistra', [
        widget('QCalendarWidget', 'calAppuntamenti', prop('gridVisible', 'bool', 'true'),
               prop('verticalHeaderFormat', 'enum', 'QCalendarWidget::NoVerticalHeader'),
               prop('minimumSize', 'size', '<width>300</width><height>220</height>')),
        big('btnGiorno', 'APPUNTAMENTI DEL GIORNO', 'view-calendar-day'),
        big('btnMese', 'APPUNTAMENTI DEL MESE', 'view-calendar-month'),
        spacer('sprSinistra', False),
        widget('QToolButton', 'appApriArchivio', prop('iconName', 'string', 'x-office-address-book;folder-documents', stdset=False),
               '<property name="iconSize"><size><width>64</width><height>64</height></size></property>',
               prop('autoRaise', 'bool', 'true'), prop('toolTip', 'string', 'ARCHIVIO APPUNTAMENTI')),
        big('btnArchivio', 'ARCHIVIO APPUNTAMENTI', 'document-edit;x-office-address-book'),
    ], margins(0, 0, 0, 0, 8))
    right = vbox('layDestra', [
        label('lblElenco', 'Impegni da assolvere il cui preavviso è iniziato', prop('class', 'string', 'title', stdset=False)),
        widget('QListView', 'lstRecords'),
    ], margins(0, 0, 0, 0, 6))
    body = widget('QWidget', 'panCorpo', children=hbox('layCorpo', [left, right], margins(18, 14, 18, 12, 18), stretch='0,1'))
    commands = commandbar('panComandi', [
        command('btnStampa', 'Stampa riepilogo', 'document-print'),
        command('btnExcel', 'Esporta in Excel', 'x-office-spreadsheet'),
        spacer('sprComandi'),
        widget('QPushButton', 'btnCaricaLista', prop('visible', 'bool', 'false'), prop('text', 'string', 'Carica')),
        command('imgGuida', 'Guida', 'help-contents'),
        command('imgEsci', 'Esci', 'application-exit'),
    ])
    main = vbox('layMain', [header('Agenda impegni', 'x-office-calendar', pics), body, commands],
                margins(0, 0, 0, 0, 0), stretch='0,1,0')
    return form('TfrmAgenda', 'QWidget', ' Quirvale 5.0 - Agenda impegni', 1180, 620, main)


def search():
    criteria = [('txtData', 'Data appuntamento (gg/mm/aaaa):'), ('txtOra', 'Ora (hh:mm):'),
                ('txtTipologia', 'Tipologia:'), ('txtCausale', 'Causale:'), ('txtDettagli', 'Dettagli:'),
                ('txtContatto', 'Persona / Ditta:'), ('txtTel', 'Telefono:'), ('txtCel', 'Cellulare:'),
                ('txtLuogo', 'Luogo:'), ('txtNote', 'Note:')]
    cells = []
    for i, (name, text) in enumerate(criteria):
        cells.append((i, 0, label('lbl' + name[3:], text, prop('class', 'string', 'fieldlabel', stdset=False))))
        cells.append((i, 1, widget('QLineEdit', name)))
    frames = ''.join(widget('QFrame', f'effCampo{i + 1:02d}', prop('class', 'string', 'focusframe', stdset=False))
                     for i in range(10))
    info = lambda name, text: label(name, text, prop('wordWrap', 'bool', 'true'))
    start = widget('QWidget', 'panAvvio', children=vbox('layAvvio', [
        info('lblIstruzioni1', 'Immettere nei campi prescelti una o più parole consecutive presenti nelle schede da trovare e premere il pulsante Cerca.'),
        info('lblIstruzioni2', 'Lasciare in bianco tutti gli altri campi.'),
        info('lblIstruzioni3', 'Per ogni ricerca è possibile utilizzare uno o più campi contemporaneamente.'),
        grid('layCriteri', cells, margins(0, 8, 0, 8) + '<property name="horizontalSpacing"><number>12</number></property>'
             '<property name="verticalSpacing"><number>8</number></property>'),
        label('lblAttendere', 'Ricerca schede in corso. Attendere...', prop('visible', 'bool', 'false'),
              prop('class', 'string', 'title', stdset=False)),
        spacer('sprAvvio', False),
        hbox('layAvvioComandi', [spacer('sprAvvioComandi'),
                                 widget('QPushButton', 'btnCerca', prop('text', 'string', 'Cerca'),
                                        prop('iconName', 'string', 'edit-find', stdset=False), prop('autoDefault', 'bool', 'false')),
                                 widget('QPushButton', 'btnAnnulla', prop('text', 'string', 'Chiudi'),
                                        prop('iconName', 'string', 'window-close', stdset=False), prop('autoDefault', 'bool', 'false'))]),
    ], margins(18, 14, 18, 14, 6)) + frames)
    results = widget('QWidget', 'panContainer', prop('visible', 'bool', 'false'), children=vbox('layRisultati', [
        label('lblTrovate', 'Il presente elenco contiene 0 schede.', prop('class', 'string', 'title', stdset=False)),
    ] + list_part('layTrova', 'sprTrova'), margins(18, 14, 18, 14, 8)))
    main = vbox('layMain', [start, results, label('lblMemory', '', prop('visible', 'bool', 'false'))],
                margins(0, 0, 0, 0, 0), stretch='1,1,0')
    return form('TfrmTrovaScadenze', 'QDialog', ' Trova appuntamenti in archivio', 1100, 560, main)


write('agenda.ui', agenda())
write('trovascadenze.ui', search())

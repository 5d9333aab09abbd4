"""Writes the forms of the summaries area. Run: python3 tools/forms/summaries.py"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..'))
from formkit import *  # noqa: E402,F403

OUT = os.path.join(os.path.dirname(__file__), '..', '..', 'src', 'summaries')


def write(name, text):
    write_form(OUT, name, text)


def state_list():
    body = vbox('layMain', list_part('layComandi', 'sprComandi'), margins(16, 14, 16, 14, 8))
    return form('StateListScreen', 'QDialog', ' Riepilogo', 1100, 540, body) \
        .replace('<class>StateListScreen</class>', '<class>StateListScreen</class>')


write('statelist.ui', state_list())


def export_frame():
    grid = widget('QTableWidget', 'grdRecords', prop('alternatingRowColors', 'bool', 'true'),
                  prop('rowCount', 'number', 10),
                  prop('selectionMode', 'enum', 'QAbstractItemView::SingleSelection'),
                  prop('horizontalScrollMode', 'enum', 'QAbstractItemView::ScrollPerPixel'))
    commands = commandbar('panComandi', [
        command('cmdEsporta', 'Esporta', 'x-office-spreadsheet;application-vnd.ms-excel'),
        spacer('sprComandi'),
        command('cmdGuida', 'Guida', 'help-contents'),
        command('cmdEsci', 'Esci', 'application-exit'),
    ])
    body = vbox('layMain', [commands, widget('QWidget', 'panCorpo', children=vbox('layCorpo', [grid], margins(10, 10, 10, 10))),
                            status_line()],
                margins(0, 0, 0, 0, 0), stretch='0,1,0')
    return form('ExportScreen', 'QDialog', ' Esportazione', 1100, 560, body)


write('exportframe.ui', export_frame())

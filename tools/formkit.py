"""Small helpers that write Qt Designer forms for the program's screens.

The .ui files are committed as they are written; this module only saves
typing the same XML by hand. Run the form scripts from the repository root.
"""


def prop(name, kind, value, stdset=True):
    attr = '' if stdset else ' stdset="0"'
    if kind == 'string':
        value = (value.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;'))
    return f'<property name="{name}"{attr}><{kind}>{value}</{kind}></property>'


def widget(cls, name, *props, children=''):
    return f'<widget class="{cls}" name="{name}">{"".join(props)}{children}</widget>'


def label(name, text, *props):
    return widget('QLabel', name, prop('text', 'string', text), *props)


def edit(name, maxlen, *props):
    return widget('QLineEdit', name, prop('maxLength', 'number', maxlen), *props)


def command(name, text, icon, size=32):
    return widget('QToolButton', name,
                  prop('text', 'string', text),
                  prop('iconName', 'string', icon, stdset=False),
                  f'<property name="iconSize"><size><width>{size}</width><height>{size}</height></size></property>',
                  prop('toolButtonStyle', 'enum', 'Qt::ToolButtonTextUnderIcon'),
                  prop('autoRaise', 'bool', 'true'),
                  prop('class', 'string', 'command', stdset=False))


def picture(name, icon, tip, size=22):
    """A small picture that acts as a command beside a field."""
    return widget('QToolButton', name,
                  prop('iconName', 'string', icon, stdset=False),
                  f'<property name="iconSize"><size><width>{size}</width><height>{size}</height></size></property>',
                  prop('toolTip', 'string', tip),
                  prop('autoRaise', 'bool', 'true'),
                  prop('focusPolicy', 'enum', 'Qt::NoFocus'))


def spacer(name, horizontal=True):
    o = 'Qt::Horizontal' if horizontal else 'Qt::Vertical'
    return f'<spacer name="{name}"><property name="orientation"><enum>{o}</enum></property></spacer>'


def margins(l, t, r, b, spacing=None):
    s = (f'<property name="leftMargin"><number>{l}</number></property>'
         f'<property name="topMargin"><number>{t}</number></property>'
         f'<property name="rightMargin"><number>{r}</number></property>'
         f'<property name="bottomMargin"><number>{b}</number></property>')
    if spacing is not None:
        s += f'<property name="spacing"><number>{spacing}</number></property>'
    return s


def box(kind, name, items, extra='', stretch=None):
    """items: list of xml strings (widgets, spacers or layouts)."""
    st = f' stretch="{stretch}"' if stretch else ''
    inner = ''.join(f'<item>{i}</item>' for i in items)
    return f'<layout class="{kind}" name="{name}"{st}>{extra}{inner}</layout>'


def hbox(name, items, extra='', stretch=None):
    return box('QHBoxLayout', name, items, extra, stretch)


def vbox(name, items, extra='', stretch=None):
    return box('QVBoxLayout', name, items, extra, stretch)


def grid(name, cells, extra=''):
    """cells: list of (row, col, xml, rowspan, colspan)."""
    inner = ''
    for c in cells:
        row, col, xml = c[0], c[1], c[2]
        rs = c[3] if len(c) > 3 else 1
        cs = c[4] if len(c) > 4 else 1
        span = (f' rowspan="{rs}"' if rs != 1 else '') + (f' colspan="{cs}"' if cs != 1 else '')
        inner += f'<item row="{row}" column="{col}"{span}>{xml}</item>'
    return f'<layout class="QGridLayout" name="{name}">{extra}{inner}</layout>'


def frame(name, cls, layout_xml, *props):
    return widget('QFrame', name, prop('class', 'string', cls, stdset=False), *props, children=layout_xml)


def header(title, icon, right_items=()):
    return frame('panTitolo', 'header',
                 hbox('layTitolo', [widget('QLabel', 'imgArea', prop('iconName', 'string', icon, stdset=False),
                                           prop('iconSize', 'number', 40, stdset=False)),
                                    label('lblTitolo', title, prop('class', 'string', 'headertitle', stdset=False)),
                                    spacer('sprTitolo')] + list(right_items),
                      margins(20, 10, 20, 10, 12)),
                 '<property name="sizePolicy"><sizepolicy hsizetype="Preferred" vsizetype="Maximum">'
                 '<horstretch>0</horstretch><verstretch>0</verstretch></sizepolicy></property>')


def commandbar(name, items):
    return frame(name, 'commandbar', hbox('lay' + name[3:], items, margins(10, 4, 10, 4, 2)))


def status_line():
    return label('panInfo', '', prop('minimumSize', 'size', '<width>0</width><height>26</height>'))


def form(cls, base, title, w, h, body, custom=''):
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n<ui version="4.0">\n <class>{cls}</class>\n'
            f' <widget class="{base}" name="{cls}">'
            f'<property name="geometry"><rect><x>0</x><y>0</y><width>{w}</width><height>{h}</height></rect></property>'
            f'{prop("windowTitle", "string", title)}{body}</widget>\n'
            f'{custom} <resources/>\n <connections/>\n</ui>\n')


LINK_LABEL = (' <customwidgets>\n  <customwidget>\n   <class>ui::LinkLabel</class>\n   <extends>QLabel</extends>\n'
              '   <header>ui/widgets.h</header>\n  </customwidget>\n </customwidgets>\n')


def write_form(folder, name, text):
    """Writes one form into a source folder."""
    import os
    with open(os.path.join(folder, name), 'w') as f:
        f.write(text)


def button(name, text, icon):
    return widget('QPushButton', name, prop('text', 'string', text), prop('iconName', 'string', icon, stdset=False),
                  prop('autoDefault', 'bool', 'false'))


def list_part(layout, spacer_name):
    """The list of a list screen: lines, the three instructions, find, print and close."""
    info = lambda name, text: label(name, text, prop('wordWrap', 'bool', 'true'))
    return [
        widget('QListView', 'lstRecords'),
        info('lblRigo01', 'Immettere una o più parole consecutive presenti nella scheda in elenco da cercare e premere il pulsante Trova.'),
        info('lblRigo02', 'Per spostarsi sulla voce successiva contenente la stessa chiave di ricerca, fare di nuovo clic su Trova.'),
        info('lblRigo03', 'Per richiamare i dati di una scheda, selezionarla con un doppio clic.'),
        hbox(layout, [widget('QLineEdit', 'txtTrova'), button('btnTrova', 'Trova', 'edit-find'), spacer(spacer_name),
                      button('btnStampa', 'Stampa', 'document-print'), button('btnChiudi', 'Chiudi', 'window-close')],
             margins(0, 0, 0, 0, 8), stretch='2,0,1,0,0'),
    ]

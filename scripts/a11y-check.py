"""Walks the tab pages of a running hzm-utility through AT-SPI (see scripts/a11y-check)."""
import sys
import time

import pyatspi

CONTROLS = {
    pyatspi.ROLE_COMBO_BOX,
    pyatspi.ROLE_TEXT,
    pyatspi.ROLE_PASSWORD_TEXT,
    pyatspi.ROLE_CHECK_BOX,
    pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_PUSH_BUTTON,
}


def find_app():
    for _ in range(100):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == "hzm-utility":
                return app
        time.sleep(0.1)
    sys.exit("hzm-utility did not appear on the accessibility bus")


def descendants(node):
    for child in node:
        if child is None:
            continue
        yield child
        yield from descendants(child)


def spoken(obj):
    """The name a screen reader uses: the labelling object's, else the control's own."""
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            for i in range(relation.getNTargets()):
                name = relation.getTarget(i).name
                if name:
                    return name
    # A combo box's own name is its current entry, which says nothing about what it sets.
    return "" if obj.getRole() == pyatspi.ROLE_COMBO_BOX else obj.name


def main():
    app = find_app()
    tabs = None
    for _ in range(100):
        tabs = next((o for o in descendants(app) if o.getRole() == pyatspi.ROLE_PAGE_TAB_LIST), None)
        if tabs is not None:
            break
        time.sleep(0.1)
    if tabs is None:
        sys.exit("no tab list found")
    faults = 0
    pages = [t for t in tabs if t is not None and t.getRole() == pyatspi.ROLE_PAGE_TAB]
    for tab in pages:
        tab.queryAction().doAction(0)  # switches to the page
        time.sleep(0.5)
        print(f"== {tab.name}")
        said = {}
        for obj in descendants(app):
            states = obj.getState()
            if obj.getRole() not in CONTROLS or not states.contains(pyatspi.STATE_SHOWING):
                continue
            name = spoken(obj)
            description = obj.description
            print(f"  {obj.getRoleName():14} {name!r:42} {description!r}")
            if not name:
                print("    ^ no name")
                faults += 1
            elif name in said:
                print(f"    ^ announced like another control ({said[name]})")
                faults += 1
            said.setdefault(name, obj.getRoleName())
    print(f"{faults} fault(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

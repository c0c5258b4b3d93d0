# What the desktop's calendar service (Evolution Data Server) holds, asked
# as GNOME Calendar asks it: python3 eds.py UID AAAAMMJJ prints the summary
# of each event on that day; python3 eds.py UID absent waits for the
# calendar to be gone. "ABSENT" when the source is not there after 20 s.
import sys
import time

import gi

gi.require_version('ECal', '2.0')
gi.require_version('EDataServer', '1.2')
from gi.repository import ECal, EDataServer  # noqa: E402

uid, jour = sys.argv[1], sys.argv[2]
registre = EDataServer.SourceRegistry.new_sync(None)
fin = time.time() + 20
source = registre.ref_source(uid)
while time.time() < fin and (source is None) != (jour == 'absent'):
    time.sleep(0.2)
    source = registre.ref_source(uid)
if source is None:
    print('ABSENT')
    sys.exit(0)
if jour == 'absent':
    print('PRESENT')
    sys.exit(0)
client = ECal.Client.connect_sync(source, ECal.ClientSourceType.EVENTS, 1, None)
requete = '(occur-in-time-range? (make-time "%sT000000Z") (make-time "%sT235959Z"))' % (jour, jour)
ok, evenements = client.get_object_list_as_comps_sync(requete, None)
for e in evenements:
    print(e.get_summary().get_value())

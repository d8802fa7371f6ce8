// The overview: every device with its value, state, relays, step and active alarms, kept
// live by the station's events, or by asking every poll period when events cannot be had.
'use strict';

(() => {
  const { el } = Zeltar;
  const grid = document.getElementById('devices');
  const cards = new Map();

  function relays(bits) {
    const on = [1, 2, 3, 4].filter((k) => bits & (1 << (4 - k)));
    return on.length ? on.join(' ') : 'нет';
  }

  function show(device) {
    const alarms = device.alarms || [];
    const classes = ['device'];
    if (device.nolink) classes.push('nolink');
    if (device.break) classes.push('break');
    if (alarms.some((a) => a.state === 'active' || a.state === 'returned')) classes.push('alarm');
    const card = el('a', { class: classes.join(' '), href: `/device?n=${device.device}`,
      id: `device${device.device}` },
    el('div', { class: 'name' }, `${device.device}. ${device.name}`),
    el('div', { class: 'value' }, Zeltar.valueText(device)),
    el('div', { class: 'details' },
      device.polled ? `Реле: ${relays(device.relays)} · шаг ${device.step} · ${Zeltar.momentText(device.time)}`
        : 'Не опрашивается'),
    el('div', {}, alarms.map((a) => el('span', { class: `badge ${a.state}` },
      `${Zeltar.kindNames[a.kind] || a.kind}: ${Zeltar.stateNames[a.state] || a.state}`))));
    const old = cards.get(device.device);
    if (old) old.replaceWith(card); else grid.append(card);
    cards.set(device.device, card);
  }

  function liveText(text) {
    document.getElementById('live').textContent = text;
  }

  async function refresh() {
    (await Zeltar.api('/api/v1/devices')).forEach(show);
  }

  function poll(seconds) {
    liveText(`обновляется каждые ${seconds} с`);
    setInterval(() => refresh().catch(() => liveText('нет связи со станцией')), seconds * 1000);
  }

  Zeltar.ready.then(async (status) => {
    await refresh();
    const seconds = Math.max(1, status.TimeOpr || 1);
    if (!window.EventSource) {
      poll(seconds);
      return;
    }
    const events = new EventSource('/api/v1/events');
    events.addEventListener('device', (e) => show(JSON.parse(e.data)));
    events.onopen = () => liveText('обновляется с каждым опросом');
    events.onerror = () => {
      if (events.readyState === EventSource.CLOSED) poll(seconds);
    };
  });
})();

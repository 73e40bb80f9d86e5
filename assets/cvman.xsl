<?xml version="1.0" encoding="ISO-8859-1"?>
<!-- Renders a Corvisent Manager status file (cvman0.xml .. cvman9.xml) as a page: the location
     title, one table row per sensor with its name, kind, status, reading and the recorded high
     and low with their times, then the time of the update and the update interval. -->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="ISO-8859-1" indent="yes"/>

  <xsl:template match="/corvisent">
    <html>
      <head>
        <title>Corvisent Manager - <xsl:value-of select="title/TxtTitle"/></title>
        <style type="text/css">
          body { font-family: Arial, Helvetica, sans-serif; margin: 1.5em; color: #202020; }
          h1 { font-size: 1.4em; margin-bottom: 0.2em; }
          h2 { font-size: 1.1em; font-weight: normal; margin-top: 0; }
          table { border-collapse: collapse; }
          th, td { border: 1px solid #a0a0a0; padding: 0.3em 0.7em; text-align: left; }
          th { background: #dde4ee; }
          td.ok { color: #0000c0; font-weight: bold; }
          td.alert { color: #c00000; font-weight: bold; }
          .when { display: block; font-size: 0.8em; color: #606060; }
          p.updated { margin-top: 1em; font-size: 0.9em; }
        </style>
      </head>
      <body>
        <h1>Corvisent Manager</h1>
        <h2><xsl:value-of select="title/TxtTitle"/></h2>
        <table>
          <tr>
            <th>Sensor</th><th>Type</th><th>Status</th><th>Reading</th><th>High</th><th>Low</th>
          </tr>
          <xsl:apply-templates select="sensor[normalize-space(type) != '' and not(starts-with(type, 'Updated:'))]"/>
          <xsl:if test="not(sensor[normalize-space(type) != '' and not(starts-with(type, 'Updated:'))])">
            <tr><td colspan="6">No sensors are configured.</td></tr>
          </xsl:if>
        </table>
        <xsl:for-each select="sensor[starts-with(type, 'Updated:')]">
          <p class="updated"><xsl:value-of select="type"/><br/><xsl:value-of select="name"/></p>
        </xsl:for-each>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="sensor">
    <tr>
      <td><xsl:value-of select="name"/></td>
      <td><xsl:value-of select="type"/></td>
      <td>
        <xsl:attribute name="class">
          <xsl:choose>
            <xsl:when test="normalize-space(status) = 'OK'">ok</xsl:when>
            <xsl:when test="normalize-space(status) != ''">alert</xsl:when>
          </xsl:choose>
        </xsl:attribute>
        <xsl:value-of select="status"/>
      </td>
      <td><xsl:value-of select="current"/></td>
      <td><xsl:call-template name="extreme"><xsl:with-param name="text" select="high"/></xsl:call-template></td>
      <td><xsl:call-template name="extreme"><xsl:with-param name="text" select="low"/></xsl:call-template></td>
    </tr>
  </xsl:template>

  <!-- "72.5 (3/7/2009 @ 04:08:02PM)": the value, with the time it was recorded below it. -->
  <xsl:template name="extreme">
    <xsl:param name="text"/>
    <xsl:choose>
      <xsl:when test="contains($text, ' (')">
        <xsl:value-of select="substring-before($text, ' (')"/>
        <xsl:variable name="note" select="substring-after($text, ' (')"/>
        <xsl:variable name="when" select="substring($note, 1, string-length($note) - 1)"/>
        <xsl:if test="normalize-space($when) != ''">
          <span class="when"><xsl:value-of select="$when"/></span>
        </xsl:if>
      </xsl:when>
      <xsl:when test="normalize-space($text) != ''"><xsl:value-of select="$text"/></xsl:when>
      <xsl:otherwise>-</xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
